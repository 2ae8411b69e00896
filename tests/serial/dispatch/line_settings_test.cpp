#include "serial/dispatch/line_settings.h"

#include <gtest/gtest.h>

namespace norvane::serial {
namespace {

TDeviceControlBlock Line(std::uint32_t baud, std::uint8_t bits, std::uint8_t parity,
                         std::uint8_t stop) {
    TDeviceControlBlock dcb;
    dcb.BaudRate = baud;
    dcb.ByteSize = bits;
    dcb.Parity = parity;
    dcb.StopBits = stop;
    return dcb;
}

TEST(TransmitDrainTest, EighteenCharacterTimesRoundedUp) {
    // 10000000 div 9600 = 1041; x 10 bits x 18 = 187380 tenths of a microsecond.
    EXPECT_EQ(TransmitDrainMilliseconds(9600, Line(9600, 8, pcNone, ONESTOPBIT)), 19u);
    EXPECT_EQ(TransmitDrainMilliseconds(0xFF16, Line(9600, 8, pcNone, ONESTOPBIT)), 19u)
        << "the old code for 9600";
    // The rate applied before the new one counts, not the device's: the opening rate.
    EXPECT_EQ(TransmitDrainMilliseconds(115200, Line(1200, 8, pcNone, ONESTOPBIT)), 2u);
}

TEST(TransmitDrainTest, ParityAndExtraStopBitsLengthenTheCharacter) {
    // 1200 baud: 8333 per bit. 7E2 is 7 + 2 + 1 + 1 = 11 bits: 8333 x 11 x 18 = 1649934.
    EXPECT_EQ(TransmitDrainMilliseconds(1200, Line(1200, 7, pcEven, TWOSTOPBITS)), 165u);
    EXPECT_EQ(TransmitDrainMilliseconds(1200, Line(1200, 5, pcNone, ONE5STOPBITS)), 120u);
}

TEST(TransmitDrainTest, WaitsBelowAMillisecondAreDoubled) {
    // 1000000 baud: 10 x 10 x 18 = 1800, doubled to 3600, rounded up to 1 ms.
    EXPECT_EQ(TransmitDrainMilliseconds(1000000, Line(1000000, 8, pcNone, ONESTOPBIT)), 1u);
    EXPECT_EQ(TransmitDrainMilliseconds(0, Line(0, 8, pcNone, ONESTOPBIT)), 0u)
        << "no rate, no division by zero";
}

TEST(RequestedLineTest, SentinelsKeepWhatTheDeviceHas) {
    const TDeviceControlBlock present = Line(19200, 7, pcOdd, TWOSTOPBITS);
    const TDeviceControlBlock kept = RequestedLine(present, 0, 5, 9, 3);
    EXPECT_TRUE(SameLine(kept, present));
    const TDeviceControlBlock baudOnly = RequestedLine(present, 9600, 5, 9, 3);
    EXPECT_EQ(baudOnly.BaudRate, 9600u);
    EXPECT_EQ(baudOnly.ByteSize, 7);
    EXPECT_EQ(baudOnly.Parity, pcOdd);
    EXPECT_EQ(baudOnly.StopBits, TWOSTOPBITS);
}

TEST(RequestedLineTest, StopBitsAreClampedAndFiveDataBitsGetOneAndAHalf) {
    const TDeviceControlBlock present = Line(9600, 8, pcNone, TWOSTOPBITS);
    EXPECT_EQ(RequestedLine(present, 0, 5, 9, 0).StopBits, ONESTOPBIT) << "0 counts as 1";
    EXPECT_EQ(RequestedLine(present, 0, 5, 9, 7).StopBits, TWOSTOPBITS) << "above 2 as 2";
    EXPECT_EQ(RequestedLine(present, 0, 5, 5, 2).StopBits, ONE5STOPBITS);
    EXPECT_EQ(RequestedLine(present, 0, 5, 5, 3).StopBits, ONE5STOPBITS);
    const TDeviceControlBlock fiveBits = Line(9600, 5, pcNone, ONE5STOPBITS);
    EXPECT_EQ(RequestedLine(fiveBits, 0, 5, 9, 1).StopBits, ONE5STOPBITS)
        << "kept 5 data bits with a new stop setting";
    EXPECT_EQ(RequestedLine(fiveBits, 0, 5, 8, 1).StopBits, ONESTOPBIT);
}

}  // namespace
}  // namespace norvane::serial
