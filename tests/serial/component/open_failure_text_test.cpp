// What the user reads when a port does not open.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "serial/component/device_access_denied.h"
#include "serial/component/open_attempt_text.h"
#include "serial/errors/errno_mapping.h"
#include "serial/ports/port_description.h"
#include "serial/ports/port_map.h"
#include "tests/support/temp_dir.h"

namespace norvane::serial {
namespace {

class OpenFailureTextTest : public ::testing::Test {
  protected:
    OpenFailureTextTest() {
        std::filesystem::create_directories(Dir / "dev");
        std::filesystem::create_directories(Dir / "tty");
    }
    void Node(const std::string& name) { norvane::test::WriteFile(Dir / ("dev/" + name), ""); }
    std::string Dev(const std::string& name) { return Dir / ("dev/" + name); }

    norvane::test::TTempDir Dir;
    TPortMap Map{Dir / "dev", Dir / "tty", Dir / "consoles"};
};

TEST(OpenFailureText, PermissionMessageNamesDeviceAndRemedy) {
    const EDeviceAccessDenied error("/dev/ttyUSB0", ResultFromErrno(EACCES));
    const std::string message = error.what();
    EXPECT_NE(message.find("/dev/ttyUSB0"), std::string::npos);
    EXPECT_NE(message.find("Permission denied"), std::string::npos);
    EXPECT_NE(message.find("dialout"), std::string::npos);
    EXPECT_EQ(message.find("already open"), std::string::npos);
    EXPECT_EQ(error.ErrorCode(), ResultFromErrno(EACCES));
    EXPECT_NE(dynamic_cast<const EOpenComm*>(&error), nullptr);
}

// What a failed open says it tried depends on what the map knows: a machine without any
// serial device is told so, since no port number can help there.
TEST_F(OpenFailureTextTest, AFailedOpenNamesThePortAndWhatItMeans) {
    const TPortDescriber describer(Dir / "tty");
    EXPECT_EQ(OpenAttemptText(7, Map.DevicePath(7), 0, Map, describer),
              "port 7: no serial device found on this machine; see norvane-cli ports");
    Node("ttyUSB0");
    EXPECT_EQ(OpenAttemptText(7, Map.DevicePath(7), 0, Map, describer),
              "port 7: means no device on this machine; see norvane-cli ports");
    Map.Assign(7, Dev("ttyUSB9"));
    EXPECT_EQ(OpenAttemptText(7, Map.DevicePath(7), 0, Map, describer),
              "port 7: " + Dev("ttyUSB9") + " does not exist");
}

// The desktop's words: no internal code, no program the user did not start.
TEST_F(OpenFailureTextTest, TheDesktopSaysWhichDevicesThereAreInstead) {
    const struct {
        const char* nodes[2];
        const char* network;
        const char* text;
    } cases[] = {
        {{nullptr, nullptr}, nullptr, "No serial device is connected."},
        {{"ttyUSB0", nullptr},
         nullptr,
         "Port 9 has no device on this machine. Serial devices found: ttyUSB0 (port 1)."},
        {{"ttyUSB0", "ttyACM0"},
         "rfc2217://lab:4001",
         "Port 9 has no device on this machine. Serial devices found: ttyUSB0 (port 1), "
         "ttyACM0 (port 2), rfc2217://lab:4001 (port 3)."},
    };
    for (const auto& c : cases) {
        norvane::test::TTempDir dir;
        std::filesystem::create_directories(dir / "dev");
        TPortMap map(dir / "dev", dir / "tty", dir / "consoles");
        for (const char* node : c.nodes) {
            if (node != nullptr) {
                norvane::test::WriteFile(dir / ("dev/" + std::string(node)), "");
            }
        }
        if (c.network != nullptr) {
            map.Assign(3, c.network);
        }
        EXPECT_EQ(NoDeviceForPortText(9, map), c.text);
    }
}

}  // namespace
}  // namespace norvane::serial
