#include "serial/linux/posix_serial_device.h"

#include "driver_test_support.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace norvane::serial {
namespace {

using testing::TPtyController;

TEST(PosixSerialDeviceTest, OpenConfigureAndCloseRestoresWhatWasThere) {
    TPtyController pty;
    const termios2 before = pty.LineSettings();
    TPosixSerialDevice device;
    ASSERT_EQ(device.Open(pty.Path()), 0);
    TDeviceControlBlock dcb;
    ASSERT_EQ(ReadControlBlock(device.Fd(), dcb), 0);
    dcb.BaudRate = 38400;
    ASSERT_EQ(WriteControlBlock(device.Fd(), dcb), 0);
    EXPECT_EQ(pty.LineSettings().c_cflag & CBAUD, tcflag_t{B38400}) << "visible from the far end";
    EXPECT_EQ(pty.LineSettings().c_lflag & ECHO, 0u);
    EXPECT_EQ(device.Close(), 0);
    EXPECT_EQ(pty.LineSettings().c_lflag, before.c_lflag);
    EXPECT_EQ(pty.LineSettings().c_cflag & CBAUD, before.c_cflag & CBAUD);
    EXPECT_EQ(device.Close(), 0) << "closing twice is harmless";
}

TEST(PosixSerialDeviceTest, BytesPassBothWaysUntranslated) {
    TPtyController pty;
    TPosixSerialDevice device;
    ASSERT_EQ(device.Open(pty.Path()), 0);
    TDeviceControlBlock dcb;
    ASSERT_EQ(WriteControlBlock(device.Fd(), dcb), 0);
    const std::string out = "?B1/1\r\n";
    EXPECT_EQ(device.Write(out.data(), static_cast<int>(out.size())), 7);
    EXPECT_EQ(pty.Receive(out.size()), out);

    const std::string in = "*1,a\r\n\x11\x13";
    ASSERT_EQ(::write(pty.Fd(), in.data(), in.size()), static_cast<ssize_t>(in.size()));
    pollfd ready{device.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&ready, 1, 5000), 1);
    EXPECT_EQ(device.InputQueued(), static_cast<int>(in.size()));
    char buffer[64];
    EXPECT_EQ(device.Read(buffer, sizeof buffer), static_cast<int>(in.size()));
    EXPECT_EQ(std::string(buffer, in.size()), in);
    EXPECT_EQ(device.Read(buffer, sizeof buffer), 0) << "nothing queued: returns at once";
}

TEST(PosixSerialDeviceTest, SecondOpenerIsRefusedWhileTheFirstHoldsTheDevice) {
    TPtyController pty;
    TPosixSerialDevice first, second;
    ASSERT_EQ(first.Open(pty.Path()), 0);
    EXPECT_EQ(second.Open(pty.Path()), -EBUSY);
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_EQ(second.Open(pty.Path()), 0);
}

TEST(PosixSerialDeviceTest, OpenFailuresCarryTheirErrno) {
    TPosixSerialDevice device;
    EXPECT_EQ(device.Open("/dev/no-such-serial-device"), -ENOENT);
    EXPECT_EQ(device.Open("/dev/null"), -ENOTTY) << "not a terminal";
    EXPECT_FALSE(device.IsOpen());
}

TEST(PosixSerialDeviceTest, DevicesWithoutModemLinesReportNoneAndDoNotFail) {
    TPtyController pty;
    TPosixSerialDevice device;
    ASSERT_EQ(device.Open(pty.Path()), 0);
    EXPECT_EQ(device.ModemStatus(), 0);
    EXPECT_EQ(device.SetDtr(true), 0);
    EXPECT_EQ(device.SetRts(false), 0);
    EXPECT_EQ(device.TakeLineErrors(), 0u);
}

}  // namespace
}  // namespace norvane::serial
