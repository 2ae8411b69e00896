// The norvane executable as a user starts it: its command line, and a demo run that goes
// through every window and a download from the bundled simulator.

#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace norvane::test
