#include "serial/ports/port_availability.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "serial/linux/posix_serial_device.h"
#include "tests/serial/linux/driver_test_support.h"
#include "tests/support/temp_dir.h"

namespace norvane::serial {
namespace {

using norvane::test::TTempDir;
using norvane::test::WriteFile;
using testing::TPtyController;

TEST(PortAvailability, AFreeTerminalIsAvailableAndLeftFree) {
    TPtyController pty;
    EXPECT_TRUE(IsDeviceAvailable(pty.Path()));
    // The probe closed it again: the driver can still have it.
    TPosixSerialDevice device;
    EXPECT_EQ(device.Open(pty.Path()), 0);
}

TEST(PortAvailability, ATerminalSomeoneHoldsStillExists) {
    TPtyController pty;
    TPosixSerialDevice holder;
    ASSERT_EQ(holder.Open(pty.Path()), 0);
    EXPECT_TRUE(IsDeviceAvailable(pty.Path()));
    // And the probe did not take the port away from its holder.
    TPosixSerialDevice second;
    EXPECT_EQ(second.Open(pty.Path()), -EBUSY);
}

TEST(PortAvailability, WhatIsNoTerminalIsNotAPort) {
    TTempDir dir;
    WriteFile(dir / "plain", "not a terminal");
    EXPECT_FALSE(IsDeviceAvailable(dir / "plain"));
    EXPECT_FALSE(IsDeviceAvailable(dir / "absent"));
}

TEST(PortAvailability, PortNumbersGoThroughTheMap) {
    TTempDir dir;
    std::filesystem::create_directories(dir / "dev");
    TPtyController pty, assigned;
    std::filesystem::create_symlink(pty.Path(), dir / "dev/ttyUSB0");
    std::filesystem::create_symlink(dir / "dev/gone", dir / "dev/ttyUSB1");  // unplugged
    TPortMap map(dir / "dev", dir / "tty", dir / "consoles");
    map.Assign(7, assigned.Path());

    EXPECT_FALSE(IsPortAvailable(0, map));
    EXPECT_TRUE(IsPortAvailable(1, map));
    EXPECT_FALSE(IsPortAvailable(2, map));
    EXPECT_FALSE(IsPortAvailable(3, map));  // the map gives no device
    EXPECT_TRUE(IsPortAvailable(7, map));
    EXPECT_EQ(AvailablePorts(6, map), std::vector<int>{1});
    EXPECT_EQ(AvailablePorts(9, map), (std::vector<int>{1, 7}));
}

}  // namespace
}  // namespace norvane::serial
