#include "app/program_options.h"

#include <gtest/gtest.h>

#include "base/command_line_usage.h"

namespace norvane::app {
namespace {

TEST(ProgramOptions, ReadsItsOwnOptionsAndLeavesQtsAlone) {
    const TProgramOptions none = ParseProgramOptions({});
    EXPECT_FALSE(none.Demo);
    EXPECT_FALSE(none.ShowHelp);
    EXPECT_FALSE(none.SettingsPath);
    EXPECT_FALSE(none.ScreenshotDirectory);

    const TProgramOptions demo =
        ParseProgramOptions({"-platform", "offscreen", "--demo", "--screenshots=/tmp/s"});
    EXPECT_TRUE(demo.Demo);
    EXPECT_EQ(demo.ScreenshotDirectory, "/tmp/s");
    EXPECT_EQ(ParseProgramOptions({"--settings", "/tmp/a.ini"}).SettingsPath, "/tmp/a.ini");
    EXPECT_EQ(ParseProgramOptions({"--settings=/x y.ini"}).SettingsPath, "/x y.ini");
    EXPECT_TRUE(ParseProgramOptions({"--screenshots", "/tmp/s"}).Demo) << "pictures of a transfer";
    EXPECT_TRUE(ParseProgramOptions({"-h"}).ShowHelp);
    EXPECT_TRUE(ParseProgramOptions({"--help"}).ShowHelp);
    EXPECT_TRUE(ParseProgramOptions({"--version"}).ShowVersion);
}

TEST(ProgramOptions, RefusesUnknownOptionsAndMissingValues) {
    EXPECT_THROW(ParseProgramOptions({"--demo", "--port", "3"}), base::TUsageError);
    EXPECT_THROW(ParseProgramOptions({"--settings"}), base::TUsageError);
    EXPECT_THROW(ParseProgramOptions({"--screenshots"}), base::TUsageError);
    EXPECT_THROW(ParseProgramOptions({"--demonstration"}), base::TUsageError);
    EXPECT_THROW(ParseProgramOptions({"--demo", "--settings", "a.ini"}), base::TUsageError);
    EXPECT_THROW(ParseProgramOptions({"--settings=a.ini", "--screenshots", "s"}),
                 base::TUsageError);
}

TEST(ProgramOptions, HelpNamesTheUsersOptionsButNotTheScreenshots) {
    const std::string help = UsageText();
    EXPECT_NE(help.find("--demo"), std::string::npos);
    EXPECT_NE(help.find("--settings FILE"), std::string::npos);
    EXPECT_EQ(help.find("--screenshots"), std::string::npos);
}

}  // namespace
}  // namespace norvane::app
