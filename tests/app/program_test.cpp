// The norvane executable as a user starts it: its command line, and a demo run that goes
// through every window and a download from the bundled simulator.

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

TEST(NorvaneProgram, HelpAndBadOptionsNeedNoDisplay) {
    const TProgramExit help = RunProgramToExit(NORVANE_EXECUTABLE, {"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.OutputText.find("--demo"), std::string::npos);
    const TProgramExit bad = RunProgramToExit(NORVANE_EXECUTABLE, {"--port", "3"});
    EXPECT_EQ(bad.ExitCode, 2);
    EXPECT_NE(bad.ErrorText.find("unknown option '--port'"), std::string::npos) << bad.ErrorText;
}

TEST(NorvaneProgram, ADemoRunShowsEveryWindowDownloadsAndLeavesNoSettingsBehind) {
    const fs::path besideProgram = fs::path(NORVANE_EXECUTABLE).parent_path() / "Norvane.ini";
    const bool settingsExisted = fs::exists(besideProgram);
    const std::string settingsBefore = settingsExisted ? ReadFile(besideProgram) : "";
    TTempDir dir;
    const TProgramExit exit = RunProgramToExit(
        NORVANE_EXECUTABLE, {"-platform", "offscreen", "--screenshots", dir / "shots"});
    EXPECT_EQ(exit.ExitCode, 0) << exit.ErrorText;
    EXPECT_NE(exit.ErrorText.find("demo mode: port 1 is the simulated instrument"),
              std::string::npos)
        << exit.ErrorText;
    for (const char* window : {"main_window", "about_box", "hidden_picture", "port_settings",
                               "select_port", "download_idle", "upload_idle", "error_report",
                               "download_in_progress", "main_window_after_download"}) {
        EXPECT_GT(fs::file_size(dir.Path() / "shots" / (std::string(window) + ".png")), 0u)
            << window;
    }
    EXPECT_EQ(fs::exists(besideProgram), settingsExisted);
    if (settingsExisted) {
        EXPECT_EQ(ReadFile(besideProgram), settingsBefore);
    }
}

// The children of pid, from the process table.
std::vector<pid_t> ChildrenOf(pid_t pid) {
    std::vector<pid_t> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) {
            continue;
        }
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        char state = 0;
        pid_t parent = 0;
        if (fields >> state >> parent && parent == pid) {
            children.push_back(static_cast<pid_t>(std::stoi(entry.path().filename())));
        }
    }
    return children;
}

bool Running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    return std::getline(stat, line) && line.rfind(')') != std::string::npos &&
           line.substr(line.rfind(')') + 2, 1) != "Z";
}

TEST(NorvaneProgram, SigtermEndsADemoRunLikeExitWithEverythingCleanedUp) {
    using namespace std::chrono_literals;
    TTempDir dir;
    // The demo keeps its settings in a temporary directory: under dir, for this run.
    const char* previous = ::getenv("TMPDIR");
    const std::optional<std::string> saved =
        previous ? std::optional<std::string>(previous) : std::nullopt;
    ::setenv("TMPDIR", dir.Path().c_str(), 1);
    TChildProcess norvane(NORVANE_EXECUTABLE, {"-platform", "offscreen", "--demo"});
    saved ? ::setenv("TMPDIR", saved->c_str(), 1) : ::unsetenv("TMPDIR");

    // Waiting for the demo to be up (a hang guard, not a timer): its settings file written,
    // its simulator started.
    std::optional<fs::path> demoDirectory;
    std::vector<pid_t> simulator;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while ((!demoDirectory || simulator.empty()) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            if (fs::exists(entry.path() / "Norvane.ini")) {
                demoDirectory = entry.path();
            }
        }
        simulator = ChildrenOf(norvane.Pid());
    }
    ASSERT_TRUE(demoDirectory) << "the demo never came up";
    ASSERT_EQ(simulator.size(), 1u);

    norvane.Signal(SIGTERM);
    const TProgramExit exit = norvane.Wait();
    EXPECT_EQ(exit.ExitCode, 0) << "signal " << exit.Signal << ": " << exit.ErrorText;
    EXPECT_FALSE(fs::exists(*demoDirectory));
    EXPECT_FALSE(Running(simulator[0]));
}

}  // namespace
}  // namespace norvane::test
