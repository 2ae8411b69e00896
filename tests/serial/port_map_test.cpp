#include "serial/port_map.h"

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

TEST_F(PortMapTest, MissingFoldersMeanNoDevices) {
    TPortMap nowhere(Dir / "absent", Dir / "absent", Dir / "absent");
    EXPECT_TRUE(nowhere.DiscoverDevices().empty());
    EXPECT_EQ(nowhere.DevicePath(1), std::nullopt);
}

}  // namespace
}  // namespace norvane::serial
