// The receive ring's own arithmetic, on a ring of four places so that wrapping and lapping
// take a handful of bytes.
#include "serial/dispatch/receive_ring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace norvane::serial {
namespace {

TEST(ReceiveRing, ReadsWrapInTwoStretchesAndALappedPositionIsNoLongerHeld) {
    TReceiveRing ring(4);
    ring.Allocate();
    std::string device;
    std::vector<std::size_t> asked;
    auto read = [&](std::span<std::uint8_t> stretch) {
        asked.push_back(stretch.size());
        const std::size_t n = std::min(stretch.size(), device.size());
        std::copy_n(device.begin(), n, stretch.begin());
        device.erase(0, n);
        return static_cast<std::uint32_t>(n);
    };
    auto takeAll = [&] {
        std::string taken;
        while (const auto byte = ring.Take()) {
            taken += static_cast<char>(*byte);
        }
        return taken;
    };

    device = "abc";
    ring.Fill(3, read);
    EXPECT_EQ(ring.Take(), 'a');
    EXPECT_EQ(ring.Take(), 'b');
    device = "def";
    ring.Fill(3, read);  // one place up to the end, then two from the start
    EXPECT_EQ(asked, (std::vector<std::size_t>{4, 1, 2}));
    EXPECT_EQ(ring.Oldest(), 2u);
    EXPECT_EQ(takeAll(), "cdef");

    device = "ghij";
    ring.Fill(4, read);
    EXPECT_TRUE(ring.Full());
    EXPECT_EQ(ring.Head(), 10u);
    EXPECT_EQ(ring.Oldest(), 6u) << "positions before it were overwritten";
    EXPECT_EQ(ring.ByteAt(ring.Oldest()), 'g');
    EXPECT_EQ(ring.ByteAt(ring.Head() - 1), 'j');

    ring.Release();
    EXPECT_FALSE(ring.Take());
    EXPECT_EQ(ring.Readable(), 0u);
}

}  // namespace
}  // namespace norvane::serial
