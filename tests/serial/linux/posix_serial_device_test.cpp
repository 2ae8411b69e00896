#include "serial/linux/posix_serial_device.h"

#include "driver_test_support.h"
#include "other_process.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "serial/linux/port_claim.h"
#include "tests/support/temp_dir.h"

namespace norvane::serial {
namespace {

using norvane::test::ReadFile;
using norvane::test::TTempDir;
using norvane::test::WriteFile;
using testing::TOtherProcess;
using testing::TPtyController;

// The process's claim settings for one test, with the lock folder a scratch one.
struct TClaimSettingsScope {
    explicit TClaimSettingsScope(const std::filesystem::path& lockDir) {
        PortClaimSettings().LockDir = lockDir;
    }
    ~TClaimSettingsScope() { PortClaimSettings() = Saved; }
    const TPortClaimSettings Saved = PortClaimSettings();
};

TEST(PosixSerialDeviceTest, OpenConfigureAndCloseRestoresWhatWasThere) {
    TPtyController pty;
    const termios2 before = pty.LineSettings();
    TPosixSerialDevice device;
    ASSERT_EQ(device.Open(pty.Path()), 0);
    TDeviceControlBlock dcb;
    ASSERT_EQ(ReadControlBlock(device.Fd(), dcb), 0);
    dcb.BaudRate = 38400;
    ASSERT_EQ(device.ApplySettings(dcb, false), 0);
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
    ASSERT_EQ(device.ApplySettings(dcb, false), 0);
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

// Other serial programs find our pid in the lock file while we hold the line; one left
// behind by a process that has gone is taken over, and none is no reason to fail.
TEST(PosixSerialDeviceTest, HoldsTheLinesLockFileFromOpenToClose) {
    TTempDir locks;
    TClaimSettingsScope claim(locks.Path());
    TPtyController pty;
    TOtherProcess gone("gone", "", {});
    gone.End();
    const std::string lockFile = UucpLockPath(locks.Path(), pty.Path());
    for (const std::string& before : {std::string(), testing::LockFileText(gone.Pid())}) {
        if (!before.empty()) {
            WriteFile(lockFile, before);
        }
        TPosixSerialDevice device;
        ASSERT_EQ(device.Open(pty.Path()), 0) << before;
        EXPECT_EQ(ReadFile(lockFile), testing::LockFileText(::getpid()));
        EXPECT_EQ(device.Close(), 0);
        EXPECT_EQ(locks.Entries(), std::vector<std::string>{}) << "removed at close";
    }
    PortClaimSettings().LockDir = locks / "not-there";
    TPosixSerialDevice unlocked;
    EXPECT_EQ(unlocked.Open(pty.Path()), 0) << "no lock folder to write in";
}

// A terminal program that announced itself by its lock file keeps the line, and is named;
// told to, we open it all the same and leave its lock alone.
TEST(PosixSerialDeviceTest, ADeviceAnotherProcessHoldsIsRefusedUnlessToldOtherwise) {
    TTempDir locks;
    TClaimSettingsScope claim(locks.Path());
    TPtyController pty;
    TOtherProcess locker("locker", "", {});
    const std::string lockFile = UucpLockPath(locks.Path(), pty.Path());
    WriteFile(lockFile, testing::LockFileText(locker.Pid()));

    TPosixSerialDevice device;
    EXPECT_EQ(device.Open(pty.Path()), -EBUSY);
    EXPECT_EQ(device.FailureText(), "in use by locker (pid " + std::to_string(locker.Pid()) + ")");
    EXPECT_EQ(pty.LineSettings().c_lflag & ECHO, tcflag_t{ECHO}) << "the line was not touched";

    PortClaimSettings().OpenHeldDevices = true;
    EXPECT_EQ(device.Open(pty.Path()), 0);
    EXPECT_EQ(device.FailureText(), "");
    EXPECT_EQ(device.Close(), 0);
    EXPECT_EQ(ReadFile(lockFile), testing::LockFileText(locker.Pid()));
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
