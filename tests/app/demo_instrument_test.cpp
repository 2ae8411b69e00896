// Demo mode's simulator: found where the program's files lie, answering on port 1, gone
// with the object.

#include "app/demo_instrument.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <filesystem>

#include "serial/port_map.h"
#include "tests/support/temp_dir.h"
#include "ui/port_settings_file.h"

namespace norvane::app {
namespace {

// One command to the line, its reply line back (without CR LF); empty after 10 s.
std::string Ask(const std::string& line, const std::string& command) {
    const int fd = ::open(line.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        return "cannot open " + line;
    }
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    const std::string bytes = command + "\r\n";
    std::string reply;
    if (::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size())) {
        pollfd ready{fd, POLLIN, 0};
        char byte = 0;
        while (::poll(&ready, 1, 10000) == 1 && ::read(fd, &byte, 1) == 1 && byte != '\n') {
            if (byte != '\r') {
                reply += byte;
            }
        }
    }
    ::close(fd);
    return reply;
}

TEST(DemoInstrumentFiles, BesideTheProgramComesFirstThenTheInstallationThenTheBuildTree) {
    const auto simulators = SimulatorCandidates("/opt/norvane/bin");
    ASSERT_EQ(simulators.size(), 3u);
    EXPECT_EQ(simulators[0], "/opt/norvane/bin/norvane-instrument");
    EXPECT_EQ(simulators[1], "/opt/norvane/libexec/norvane/norvane-instrument");
    EXPECT_TRUE(simulators[2].endsWith("/sim/norvane-instrument"));
    const auto tables = DemoCellsCandidates("/opt/norvane/bin");
    ASSERT_EQ(tables.size(), 3u);
    EXPECT_EQ(tables[0], "/opt/norvane/bin/demo-cells.nvf");
    EXPECT_EQ(tables[1], "/opt/norvane/share/norvane/demo-cells.nvf");
    EXPECT_TRUE(tables[2].endsWith("/sim/demo-cells.nvf"));

    test::TTempDir dir;
    std::filesystem::create_directory(dir / "second");
    test::WriteFile(dir / "third", "");
    const QString first = QString::fromStdString(dir / "first");
    const QString second = QString::fromStdString(dir / "second");  // a directory: no file
    const QString third = QString::fromStdString(dir / "third");
    EXPECT_EQ(FirstExistingFile({first, second, third}), third);
    EXPECT_EQ(FirstExistingFile({first, second}), std::nullopt);
}

TEST(DemoInstrument, AnswersOnPortOneWithItsTableAndEndsWithTheObject) {
    qint64 pid = 0;
    std::string settingsPath;
    {
        TDemoInstrument demo;
        pid = demo.ProcessId();
        settingsPath = demo.SettingsPath();
        EXPECT_EQ(serial::PortMap().DevicePath(1), demo.LinePath());
        EXPECT_EQ(Ask(demo.LinePath(), "?B1/1"), "*1,TC-K,-200,1370,degC");
        const ui::TPortSettingIndexes defaults;
        const ui::TPortSettingIndexes indexes = ui::LoadPortSettingIndexes(settingsPath);
        EXPECT_EQ(indexes.ComPort, defaults.ComPort);
        EXPECT_EQ(indexes.BaudRate, defaults.BaudRate);
        EXPECT_EQ(ui::LoadPortDeviceAssignments(settingsPath),
                  (std::map<int, std::string>{{1, demo.LinePath()}}))
            << "loading the settings keeps port 1 on the simulator";
        EXPECT_TRUE(
            std::filesystem::is_directory(std::filesystem::path(settingsPath).parent_path()));
    }
    EXPECT_NE(::kill(static_cast<pid_t>(pid), 0), 0) << "the simulator is gone (and reaped)";
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(settingsPath).parent_path()));
}

}  // namespace
}  // namespace norvane::app
