// Demo mode's simulator: found where the program's files lie, answering on port 1, gone
// with the object.

#include "app/demo_instrument.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <filesystem>

#include "serial/ports/port_map.h"
#include "session/port_settings_file.h"
#include "tests/support/temp_dir.h"

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

std::string FindSimulatorFailure(const std::string& executableDirectory) {
    try {
        return "found " + FindSimulator(QString::fromStdString(executableDirectory)).toStdString();
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
}

// A copied build tree and an installation each find their own simulator relative to the
// program; a simulator that somebody else could have changed is not run.
TEST(DemoInstrumentFiles, TheSimulatorIsFoundBesideTheProgramAndRunOnlyWhenNobodyElseCanChangeIt) {
    test::TTempDir dir;
    const auto place = [&dir](const std::string& relative, mode_t mode) {
        std::filesystem::create_directories(std::filesystem::path(dir / relative).parent_path());
        test::WriteFile(dir / relative, "#!/bin/sh\n");
        ::chmod((dir / relative).c_str(), mode);
        return dir / relative;
    };
    EXPECT_EQ(FindSimulatorFailure(dir / "build/app"),
              "the demo needs the instrument simulator norvane-instrument, found in none of:\n  " +
                  dir / "build/app/norvane-instrument\n  " +
                  dir / "build/libexec/norvane/norvane-instrument\n  " +
                  dir / "build/sim/norvane-instrument");
    const std::string built = place("build/sim/norvane-instrument", 0755);
    place("build/sim/demo-cells.nvf", 0644);
    EXPECT_EQ(FindSimulatorFailure(dir / "build/app"), "found " + built);
    EXPECT_EQ(FirstExistingFile(DemoCellsCandidates(QString::fromStdString(dir / "build/app"))),
              QString::fromStdString(dir / "build/sim/demo-cells.nvf"));

    const std::string installed = place("usr/libexec/norvane/norvane-instrument", 0755);
    place("usr/share/norvane/demo-cells.nvf", 0644);
    EXPECT_EQ(FindSimulatorFailure(dir / "usr/bin"), "found " + installed);
    EXPECT_EQ(FirstExistingFile(DemoCellsCandidates(QString::fromStdString(dir / "usr/bin"))),
              QString::fromStdString(dir / "usr/share/norvane/demo-cells.nvf"));

    for (const mode_t writableByOthers : {0775, 0757}) {
        ::chmod(installed.c_str(), writableByOthers);
        EXPECT_EQ(FindSimulatorFailure(dir / "usr/bin"),
                  "the demo does not run " + installed + ": writable by other users");
    }
    ::chmod(installed.c_str(), 0644);
    EXPECT_EQ(FindSimulatorFailure(dir / "usr/bin"),
              "the demo does not run " + installed + ": not executable");
}

TEST(DemoInstrument, AnswersOnPortOneWithItsTableAndEndsWithTheObject) {
    qint64 pid = 0;
    std::string settingsPath;
    {
        TDemoInstrument demo(QStringLiteral(NORVANE_PROGRAM_DIRECTORY));
        pid = demo.ProcessId();
        settingsPath = demo.SettingsPath();
        EXPECT_EQ(serial::PortMap().DevicePath(1), demo.LinePath());
        EXPECT_EQ(Ask(demo.LinePath(), "?B1/1"), "*1,TC-K,-200,1370,degC");
        const session::TPortSettingIndexes defaults;
        const session::TPortSettingIndexes indexes = session::LoadPortSettingIndexes(settingsPath);
        EXPECT_EQ(indexes.ComPort, defaults.ComPort);
        EXPECT_EQ(indexes.BaudRate, defaults.BaudRate);
        EXPECT_EQ(session::LoadPortDeviceAssignments(settingsPath),
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
