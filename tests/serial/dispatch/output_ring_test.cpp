#include "serial/dispatch/output_ring.h"

#include <gtest/gtest.h>

#include <string>

namespace norvane::serial {
namespace {

std::string Text(std::span<const std::uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

bool Put(TOutputRing& ring, const std::string& bytes) {
    return ring.Write(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                      static_cast<std::uint32_t>(bytes.size()));
}

TEST(OutputRingTest, BytesWrappingTheEndGoOutInOneChunkInTheirOrder) {
    TOutputRing ring(20);
    ASSERT_TRUE(Put(ring, "ABCDEFGHIJKLMNO"));  // 15 bytes
    ASSERT_EQ(Text(ring.NextChunk()), "ABCDEFGHIJKLMNO");
    ring.Consume(15);
    EXPECT_EQ(ring.Head(), 0u) << "a drained ring starts again at 0";
    ASSERT_TRUE(Put(ring, "abcdefghijklmno"));
    ring.Consume(15);
    ASSERT_TRUE(Put(ring, "0123456789abcde"));
    ring.Consume(5);  // pending "56789abcde" at 5..15, 5 places left before the end

    ASSERT_TRUE(Put(ring, "PQRSTUVWXY"));  // 10 more: 5 before the end, 5 at the start
    EXPECT_EQ(ring.Head(), 5u);
    EXPECT_EQ(ring.Pending(), 20u);
    EXPECT_EQ(ring.Room(), 0u);

    EXPECT_EQ(Text(ring.NextChunk()), "56789abcdePQRSTUVWXY") << "one write takes all of it";
    ring.Consume(20);
    EXPECT_EQ(ring.Pending(), 0u);
    EXPECT_TRUE(ring.NextChunk().empty());
}

TEST(OutputRingTest, TheExampleOfTenBytesWithFivePlacesLeft) {
    TOutputRing ring(20);
    ASSERT_TRUE(Put(ring, std::string(15, 'x')));
    ring.Consume(14);  // one byte still pending at 14; 5 places remain before the end
    ASSERT_TRUE(Put(ring, "0123456789"));
    EXPECT_EQ(ring.Tail(), 14u);
    EXPECT_EQ(ring.Head(), 5u) << "the last 5 places and the first 5";

    const std::span<const std::uint8_t> chunk = ring.NextChunk();
    EXPECT_EQ(Text(chunk), "x0123456789");
    EXPECT_EQ(ring.Tail(), 0u);
    EXPECT_EQ(ring.Head(), 11u);
    ring.Consume(4);  // the device took part of it
    EXPECT_EQ(Text(ring.NextChunk()), "3456789");
}

TEST(OutputRingTest, FullRingIsSentWholeAndRefusesMore) {
    TOutputRing ring(8);
    ASSERT_TRUE(Put(ring, "abc"));
    ring.Consume(3);
    ASSERT_TRUE(Put(ring, "abc"));
    ring.Consume(2);                    // tail 5, head 6
    ASSERT_TRUE(Put(ring, "1234567"));  // exactly the room: head meets tail
    EXPECT_EQ(ring.Pending(), 8u);
    EXPECT_FALSE(Put(ring, "z")) << "nothing fits in a full ring";
    EXPECT_EQ(ring.Pending(), 8u);
    EXPECT_EQ(Text(ring.NextChunk()), "c1234567");
    ring.Consume(8);
    EXPECT_EQ(ring.Room(), 8u);
}

TEST(OutputRingTest, OversizedBlockIsRefusedWhole) {
    TOutputRing ring(8);
    ASSERT_TRUE(Put(ring, "abcde"));
    EXPECT_FALSE(Put(ring, "1234"));
    EXPECT_EQ(Text(ring.NextChunk()), "abcde");
}

TEST(OutputRingTest, ClearDropsEverythingPending) {
    TOutputRing ring(8);
    ASSERT_TRUE(Put(ring, "abcdefgh"));
    ring.Clear();
    EXPECT_EQ(ring.Pending(), 0u);
    EXPECT_TRUE(ring.NextChunk().empty());
    ASSERT_TRUE(Put(ring, "xy"));
    EXPECT_EQ(Text(ring.NextChunk()), "xy");
}

}  // namespace
}  // namespace norvane::serial
