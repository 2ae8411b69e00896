#include "serial/ports/port_map.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace norvane::serial {
namespace {

using norvane::test::TTempDir;
using norvane::test::WriteFile;
using Paths = std::vector<std::string>;

class PortMapTest : public ::testing::Test {
  protected:
    PortMapTest() {
        std::filesystem::create_directories(Dir / "dev");
        std::filesystem::create_directories(Dir / "tty");
    }
    void Node(const std::string& name) { WriteFile(Dir / ("dev/" + name), ""); }
    void Uart(const std::string& name, int type) {
        std::filesystem::create_directories(Dir / ("tty/" + name));
        WriteFile(Dir / ("tty/" + name + "/type"), std::to_string(type) + "\n");
    }
    std::string Dev(const std::string& name) { return Dir / ("dev/" + name); }

    TTempDir Dir;
    TPortMap Map{Dir / "dev", Dir / "tty", Dir / "consoles"};
};

TEST_F(PortMapTest, UsbAdaptersComeFirstThenBuiltInPortsWithAUart) {
    for (const char* name : {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB10", "ttyUSB2", "ttyACM0",
                             "ttyUSBx", "tty0", "ttyS"}) {
        Node(name);
    }
    Uart("ttyS0", 4);
    Uart("ttyS1", 0);  // the kernel's placeholder without hardware
    Uart("ttyS10", 4);
    EXPECT_EQ(Map.DiscoverDevices(), (Paths{Dev("ttyUSB2"), Dev("ttyUSB10"), Dev("ttyACM0"),
                                            Dev("ttyS0"), Dev("ttyS10")}));
    EXPECT_EQ(Map.DevicePath(1), Dev("ttyUSB2"));
    EXPECT_EQ(Map.DevicePath(5), Dev("ttyS10"));
    EXPECT_EQ(Map.DevicePath(6), std::nullopt);
    EXPECT_EQ(Map.DevicePath(0), std::nullopt);
}

TEST_F(PortMapTest, TheSystemConsoleIsNoPort) {
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyS0", "ttyS1"}) {
        Node(name);
    }
    Uart("ttyS0", 4);
    Uart("ttyS1", 4);
    std::filesystem::create_directories(Dir / "tty/console");
    WriteFile(Dir / "tty/console/active", "tty0 ttyS0\n");
    WriteFile(Dir / "consoles", "ttyUSB1              -W- (E  p  )    188:1\n");
    EXPECT_EQ(Map.DiscoverDevices(), (Paths{Dev("ttyUSB0"), Dev("ttyS1")}));
    EXPECT_EQ(Map.DevicePath(2), Dev("ttyS1"));
}

TEST_F(PortMapTest, ExplicitPathsWinAndCanBeWithdrawn) {
    Node("ttyUSB0");
    Map.Assign(1, "/dev/pts/7");
    Map.Assign(9, "/tmp/instrument");
    EXPECT_EQ(Map.DevicePath(1), "/dev/pts/7");
    EXPECT_EQ(Map.DevicePath(9), "/tmp/instrument");
    Map.ClearAssignments();
    EXPECT_EQ(Map.DevicePath(1), Dev("ttyUSB0"));
}

// Kernel names follow plug order; the settings pin a number to the adapter's by-id link.
TEST_F(PortMapTest, AnAssignedAdapterKeepsItsNumberWhateverItsKernelNameAndPresence) {
    std::filesystem::create_directories(Dir / "dev/serial/by-id");
    std::filesystem::create_directories(Dir / "dev/serial/by-path");
    const auto link = [&](const std::string& name, const std::string& to) {
        std::filesystem::remove(Dir / ("dev/serial/" + name));
        std::filesystem::create_symlink("../../" + to, Dir / ("dev/serial/" + name));
    };
    Node("ttyUSB0");
    link("by-id/usb-A", "ttyUSB0");
    link("by-path/pci-A", "ttyUSB0");
    EXPECT_EQ(Map.StableName(Dev("ttyUSB0")), Dev("serial/by-id/usb-A"));
    EXPECT_EQ(Map.StableName(Dev("serial/by-path/pci-A")), Dev("serial/by-path/pci-A"))
        << "a stable name already: kept as the user chose it";
    Map.Assign(1, Dev("serial/by-id/usb-A"));
    // The assignment names the adapter by its link; it is the same device as ttyUSB0.
    EXPECT_EQ(Map.DevicePath(2), std::nullopt) << "the adapter listed a second time";

    // Adapter B is plugged in first after a reboot: it takes ttyUSB0, A becomes ttyUSB1.
    Node("ttyUSB1");
    link("by-id/usb-A", "ttyUSB1");
    link("by-path/pci-A", "ttyUSB1");
    link("by-path/pci-B", "ttyUSB0");
    EXPECT_EQ(Map.DevicePath(1), Dev("serial/by-id/usb-A"));
    EXPECT_EQ(Map.DevicePath(2), Dev("ttyUSB0"));
    EXPECT_EQ(Map.DevicePath(3), std::nullopt);
    EXPECT_EQ(Map.StableName(Dev("ttyUSB0")), Dev("serial/by-path/pci-B")) << "no by-id link";
    EXPECT_EQ(Map.StableLink(Dev("ttyUSB0")), Dev("serial/by-path/pci-B"));

    // A is unplugged: its number stays its own rather than passing to B.
    std::filesystem::remove(Dir / "dev/ttyUSB1");
    EXPECT_EQ(Map.DevicePath(1), Dev("serial/by-id/usb-A"));
    EXPECT_EQ(Map.DevicePath(2), Dev("ttyUSB0"));
    EXPECT_EQ(Map.StableName(Dev("ttyS0")), Dev("ttyS0")) << "no link: the name as given";
    EXPECT_EQ(Map.StableLink(Dev("ttyS0")), "");
}

TEST_F(PortMapTest, MissingFoldersMeanNoDevices) {
    TPortMap nowhere(Dir / "absent", Dir / "absent", Dir / "absent");
    EXPECT_TRUE(nowhere.DiscoverDevices().empty());
    EXPECT_EQ(nowhere.DevicePath(1), std::nullopt);
}

}  // namespace
}  // namespace norvane::serial
