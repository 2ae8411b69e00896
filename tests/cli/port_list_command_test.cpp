#include "cli/port_list_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "serial/linux/posix_serial_device.h"
#include "tests/serial/linux/driver_test_support.h"
#include "tests/serial/linux/other_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::cli {
namespace {

namespace fs = std::filesystem;
using norvane::test::TTempDir;
using norvane::test::WriteFile;
using serial::testing::TPtyController;

// Each row's blank-separated fields.
std::vector<std::vector<std::string>> Rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        rows.emplace_back();
        for (std::string word; words >> word;) {
            rows.back().push_back(word);
        }
    }
    return rows;
}

// Adapter A (free, with a by-id link), B (held by another program) and C (open in a
// terminal program that took no lock) as pseudo-terminals behind a fake /dev; the settings
// file pins port 3 to an adapter that is unplugged.
TEST(PortListCommandTest, ListsEveryNumberWithItsDeviceStableNameAndState) {
    TTempDir dir;
    TPtyController free, held, used;
    const serial::testing::TOtherProcess terminal("terminal", used.Path(),
                                                  {free.Fd(), held.Fd(), used.Fd()});
    serial::TPosixSerialDevice holder;
    ASSERT_EQ(holder.Open(held.Path()), 0);
    fs::create_directories(dir / "dev/serial/by-id");
    fs::create_symlink(free.Path(), dir / "dev/ttyUSB0");
    fs::create_symlink(held.Path(), dir / "dev/ttyUSB1");
    fs::create_symlink(used.Path(), dir / "dev/ttyUSB2");
    fs::create_symlink("../../ttyUSB0", dir / "dev/serial/by-id/usb-A");
    WriteFile(dir / "Norvane.ini", "[PortDevices]\n3=" + dir / "dev/serial/by-id/usb-gone\n");
    serial::TPortMap map(dir / "dev", dir / "tty", dir / "consoles");
    TCliOptions options;
    options.SettingsFile = dir / "Norvane.ini";

    std::ostringstream out;
    EXPECT_EQ(ListPortsCommand(options, out, map), 0);
    using Row = std::vector<std::string>;
    EXPECT_EQ(Rows(out.str()),
              (std::vector<Row>{
                  {"PORT", "DEVICE", "STABLE", "NAME", "ADAPTER", "STATE"},
                  {"1", dir / "dev/ttyUSB0", dir / "dev/serial/by-id/usb-A", "-", "available"},
                  {"2", dir / "dev/ttyUSB1", "-", "-", "busy"},
                  {"3", dir / "dev/serial/by-id/usb-gone", "-", "-", "missing"},
                  {"4", dir / "dev/ttyUSB2", "-", "-", "in", "use", "by", "terminal", "(pid",
                   std::to_string(terminal.Pid()) + ")"},
              }));
}

}  // namespace
}  // namespace norvane::cli
