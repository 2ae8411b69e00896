#include "serial/linux/posix_termios.h"

#include <asm/termbits.h>
#include <gtest/gtest.h>

namespace norvane::serial {
namespace {

termios2 Encoded(const TDeviceControlBlock& dcb) {
    termios2 tio{};
    tio.c_lflag = ECHO | ICANON;  // as a fresh terminal has them
    tio.c_iflag = ICRNL;
    tio.c_oflag = OPOST;
    EXPECT_EQ(ControlBlockToTermios(dcb, tio), 0);
    return tio;
}

TDeviceControlBlock RoundTrip(const TDeviceControlBlock& dcb) {
    TDeviceControlBlock back = dcb;
    TermiosToControlBlock(Encoded(dcb), back);
    return back;
}

TEST(PosixTermiosTest, LineIsAlwaysRawAndNeverWaitsOnCarrier) {
    const termios2 tio = Encoded(TDeviceControlBlock{});
    EXPECT_EQ(tio.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u) << "CR and LF pass untouched";
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST(PosixTermiosTest, FramingSurvivesTheRoundTrip) {
    for (std::uint8_t parity = pcNone; parity <= pcSpace; ++parity) {
        for (std::uint8_t bits = 5; bits <= 8; ++bits) {
            TDeviceControlBlock dcb;
            dcb.Parity = parity;
            dcb.ByteSize = bits;
            dcb.StopBits = TWOSTOPBITS;
            const TDeviceControlBlock back = RoundTrip(dcb);
            EXPECT_EQ(back.Parity, parity);
            EXPECT_EQ(back.ByteSize, bits);
            EXPECT_EQ(back.StopBits, bits == 5 ? ONE5STOPBITS : TWOSTOPBITS);
        }
    }
    TDeviceControlBlock mark;
    mark.Parity = pcMark;
    EXPECT_EQ(Encoded(mark).c_cflag & (PARENB | PARODD | CMSPAR),
              tcflag_t{PARENB | PARODD | CMSPAR});
}

TEST(PosixTermiosTest, StandardRatesUseTheirCodeOthersTheNumber) {
    TDeviceControlBlock dcb;
    dcb.BaudRate = 9600;
    EXPECT_EQ(Encoded(dcb).c_cflag & CBAUD, tcflag_t{B9600});
    dcb.BaudRate = 0xFF16;  // the old code for 9600
    EXPECT_EQ(Encoded(dcb).c_cflag & CBAUD, tcflag_t{B9600});
    dcb.BaudRate = 14400;
    const termios2 odd = Encoded(dcb);
    EXPECT_EQ(odd.c_cflag & CBAUD, tcflag_t{BOTHER});
    EXPECT_EQ(odd.c_ospeed, 14400u);
    EXPECT_EQ(RoundTrip(dcb).BaudRate, 14400u);
    // The kernel answers a rate it has a code for with the code: 3000000 must read back.
    termios2 coded{};
    coded.c_cflag = B3000000;
    TermiosToControlBlock(coded, dcb);
    EXPECT_EQ(dcb.BaudRate, 3000000u);
}

TEST(PosixTermiosTest, ARateReadBackCountsAsTakenOnlyWithinWhatTheLineTolerates) {
    struct TCase {
        std::uint32_t Asked, InForce;
        bool Taken;
    };
    const TCase cases[] = {
        {9600, 9600, true},       {250000, 9600, false},   // a 16550 keeps its old rate
        {921600, 9600, false},    {115200, 0, false},      // a code we cannot read
        {14400, 14400, true},     {9650, 9600, true},      // the kernel's 2 % rounding
        {100000, 103000, true},   {100000, 97000, true},   // 3 % either way
        {100000, 103001, false},  {100000, 96999, false},  //
        {4000000, 4000000, true}, {4000000, 2000000, false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(BaudRateTaken(c.Asked, c.InForce), c.Taken) << c.Asked << " -> " << c.InForce;
    }
}

TEST(PosixTermiosTest, SettingsThatWouldHurtTheLineAreRefused) {
    termios2 tio{};
    TDeviceControlBlock dcb;
    dcb.BaudRate = 0;  // B0 would drop DTR and hang the line up
    EXPECT_EQ(ControlBlockToTermios(dcb, tio), -EINVAL);
    dcb.BaudRate = 9600;
    dcb.ByteSize = 9;
    EXPECT_EQ(ControlBlockToTermios(dcb, tio), -EINVAL);
}

TEST(PosixTermiosTest, FlowControlMapsAndUnenforcedSettingsAreKept) {
    TDeviceControlBlock dcb;
    dcb.fOutxCtsFlow = true;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fOutX = true;
    dcb.fInX = true;
    dcb.XonChar = 'Q';
    dcb.XoffChar = 'S';
    dcb.fOutxDsrFlow = true;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.XoffLim = 100;
    const termios2 tio = Encoded(dcb);
    EXPECT_TRUE(tio.c_cflag & CRTSCTS);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), tcflag_t{IXON | IXOFF});
    EXPECT_EQ(tio.c_cc[VSTART], 'Q');
    EXPECT_EQ(RoundTrip(dcb), dcb);

    // Read back from a terminal where someone switched RTS/CTS off behind our back.
    termios2 plain = tio;
    plain.c_cflag &= ~CRTSCTS;
    TDeviceControlBlock back = dcb;
    TermiosToControlBlock(plain, back);
    EXPECT_FALSE(back.fOutxCtsFlow);
    EXPECT_EQ(back.fRtsControl, RTS_CONTROL_ENABLE);
}

}  // namespace
}  // namespace norvane::serial
