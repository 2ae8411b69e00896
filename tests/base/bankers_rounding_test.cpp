// Half-to-even rounding, whatever rounding mode the process runs in.

#include <gtest/gtest.h>

#include "base/bankers_rounding.h"

namespace norvane::base {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(19.5), 20);
    EXPECT_EQ(RoundHalfEven(22.5), 22);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
}

TEST(RoundHalfEven, OtherValuesGoToTheNearest) {
    EXPECT_EQ(RoundHalfEven(0.8), 1);
    EXPECT_EQ(RoundHalfEven(15.75), 16);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(-0.6), -1);
    EXPECT_EQ(RoundHalfEven(7.0), 7);
}

}  // namespace
}  // namespace norvane::base
