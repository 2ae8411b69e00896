// Half-to-even rounding, whatever rounding mode the process runs in.

#include <gtest/gtest.h>

#include <cfenv>

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

// The port's flow thresholds once rounded with the process's rounding mode, so a program
// that changed the mode got other thresholds.
TEST(RoundHalfEven, TheProcesssRoundingModeChangesNothing) {
    for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO, FE_TONEAREST}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        EXPECT_EQ(RoundHalfEven(2.5), 2) << "mode " << mode;
        EXPECT_EQ(RoundHalfEven(3.5), 4) << "mode " << mode;
        EXPECT_EQ(RoundHalfEven(-2.5), -2) << "mode " << mode;
        EXPECT_EQ(RoundHalfEven(40500.5), 40500) << "mode " << mode;
        EXPECT_EQ(RoundHalfEven(0.8), 1) << "mode " << mode;
    }
}

}  // namespace
}  // namespace norvane::base
