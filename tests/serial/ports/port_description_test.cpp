#include "serial/ports/port_description.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace norvane::serial {
namespace {

namespace fs = std::filesystem;
using norvane::test::TTempDir;
using norvane::test::WriteFile;

// A sysfs tree laid out as the kernel does it: the class folder's "device" is a relative
// symbolic link into the device hierarchy.
class PortDescriptionTest : public ::testing::Test {
  protected:
    PortDescriptionTest() {
        fs::create_directories(Dir / "dev");
        fs::create_directories(Dir / "class/tty");
    }
    // A tty whose device link points at `deviceFolder` (relative to Dir/devices).
    void Tty(const std::string& name, const std::string& deviceFolder) {
        fs::create_directories(Dir / ("devices/" + deviceFolder));
        fs::create_directories(Dir / ("class/tty/" + name));
        fs::create_symlink("../../../devices/" + deviceFolder,
                           Dir / ("class/tty/" + name + "/device"));
        WriteFile(Dir / ("dev/" + name), "");
    }
    std::string Dev(const std::string& name) { return Dir / ("dev/" + name); }

    TTempDir Dir;
    TPortDescriber Describer{Dir / "class/tty"};
};

TEST_F(PortDescriptionTest, AUsbSerialAdapterIsNamedByItsManufacturerAndProduct) {
    Tty("ttyUSB0", "usb1/1-1/1-1:1.0/ttyUSB0");
    WriteFile(Dir / "devices/usb1/product", "xHCI Host Controller\n");  // the hub: too far up
    WriteFile(Dir / "devices/usb1/1-1/manufacturer", "FTDI\n");
    WriteFile(Dir / "devices/usb1/1-1/product", "  FT232R USB UART \n");
    EXPECT_EQ(Describer.Describe(Dev("ttyUSB0")), "FTDI FT232R USB UART");

    // Reached through a link such as /dev/serial/by-id/..., it is the same adapter.
    fs::create_symlink(Dev("ttyUSB0"), Dir / "dev/usb-FTDI-if00");
    EXPECT_EQ(Describer.Describe(Dev("usb-FTDI-if00")), "FTDI FT232R USB UART");
}

TEST_F(PortDescriptionTest, AModemClassDeviceWithoutProductStringsIsNamedByItsInterface) {
    Tty("ttyACM0", "usb1/1-2/1-2:1.0");
    WriteFile(Dir / "devices/usb1/1-2/1-2:1.0/interface", "CDC Abstract Control Model\n");
    EXPECT_EQ(Describer.Describe(Dev("ttyACM0")), "CDC Abstract Control Model");

    WriteFile(Dir / "devices/usb1/1-2/product", "Logger Link\n");
    EXPECT_EQ(Describer.Describe(Dev("ttyACM0")), "Logger Link");
}

TEST_F(PortDescriptionTest, DevicesSysfsSaysNothingAboutHaveNoDescription) {
    Tty("ttyS0", "pnp0/00:04");
    EXPECT_EQ(Describer.Describe(Dev("ttyS0")), "");
    WriteFile(Dev("ttyX9"), "");  // no sysfs folder at all
    EXPECT_EQ(Describer.Describe(Dev("ttyX9")), "");
    EXPECT_EQ(Describer.Describe(Dev("absent")), "");
}

}  // namespace
}  // namespace norvane::serial
