#include "sim/reply_delivery.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace norvane::sim {
namespace {

std::string Joined(const std::vector<std::string>& fragments) {
    std::string bytes;
    for (const std::string& fragment : fragments) {
        bytes += fragment;
    }
    return bytes;
}

// What the computer's reader makes of the bytes: every CR dropped.
std::string AsReaderSeesIt(std::string bytes) {
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
    return bytes;
}

TEST(ReplyDelivery, PlainReplyIsOneFragmentEndingInCrLf) {
    EXPECT_EQ(ReplyFragments("*5,TC-K", {}), std::vector<std::string>{"*5,TC-K\r\n"});
}

TEST(ReplyDelivery, StrayCrsGoWhereAsked) {
    TReplyDelivery delivery;
    delivery.StrayCr = {.BeforeFirst = true, .InMiddle = true, .AfterLf = true};
    EXPECT_EQ(Joined(ReplyFragments("*ABCD", delivery)), "\r*A\rBCD\r\n\r");
}

// Whatever the shaping, the reader must get back exactly the reply and one line end.
TEST(ReplyDelivery, AnyShapingReadsBackAsTheSameLine) {
    const std::vector<std::string> replies = {"*", "*5,TC-K,0,100", "@ERROR cell not available"};
    for (const std::string& reply : replies) {
        for (int crMask = 0; crMask < 8; ++crMask) {
            for (std::size_t fragmentBytes = 0; fragmentBytes <= reply.size() + 5;
                 ++fragmentBytes) {
                TReplyDelivery delivery;
                delivery.FragmentBytes = fragmentBytes;
                delivery.StrayCr = {(crMask & 1) != 0, (crMask & 2) != 0, (crMask & 4) != 0};
                const auto fragments = ReplyFragments(reply, delivery);
                SCOPED_TRACE(reply + " mask " + std::to_string(crMask) + " fragment " +
                             std::to_string(fragmentBytes));
                EXPECT_EQ(AsReaderSeesIt(Joined(fragments)), reply + "\n");
                for (const std::string& fragment : fragments) {
                    EXPECT_FALSE(fragment.empty());
                    if (fragmentBytes > 0) {
                        EXPECT_LE(fragment.size(), fragmentBytes);
                    }
                }
            }
        }
    }
}

TEST(ReplyDelivery, ByteTimeIsTenBitsAtTheLineRate) {
    EXPECT_EQ(ByteTime(0).count(), 0);
    EXPECT_EQ(ByteTime(9600).count(), 1'041'666);
    EXPECT_EQ(ByteTime(10).count(), 1'000'000'000);
}

}  // namespace
}  // namespace norvane::sim
