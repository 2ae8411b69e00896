// tools/cli-demo, the demo without a display, run once with the built programs and a folder
// standing for /tmp in which another user planted links at the names a demo might use.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::test {
namespace {

using Names = std::vector<std::string>;

TProgramExit RunDemoOnce(const TTempDir& tmp, const std::vector<std::string>& simulatorOptions) {
    std::vector<std::string> args{"TMPDIR=" + tmp.Path().string(),
                                  "NORVANE_BUILD_DIR=" NORVANE_BUILD_DIR, NORVANE_CLI_DEMO,
                                  "--once"};
    args.insert(args.end(), simulatorOptions.begin(), simulatorOptions.end());
    return RunProgramToExit("/usr/bin/env", args);
}

TEST(CliDemo, WorksInAPrivateFolderThatGoesWithItAndStopsWhenTheSimulatorDoesNotStart) {
    TTempDir tmp;
    WriteFile(tmp / "victim", "precious\n");
    const Names planted{"norvane-demo.nvf", "norvane-instrument", "victim"};
    for (const std::string& name : {planted[0], planted[1]}) {
        std::filesystem::create_symlink(tmp / "victim", tmp / name);
    }

    const TProgramExit demo = RunDemoOnce(tmp, {});
    EXPECT_EQ(demo.ExitCode, 0) << demo.ErrorText;
    // mktemp's folder for this run, under TMPDIR (the temporary folder's name is plain).
    const std::regex intoPrivateFolder("Download to " + (tmp / "norvane-demo") +
                                       R"(\.\w{6}/demo\.nvf complete\.)");
    EXPECT_TRUE(std::regex_search(demo.OutputText, intoPrivateFolder)) << demo.OutputText;
    EXPECT_EQ(ReadFile(tmp / "victim"), "precious\n");
    EXPECT_EQ(tmp.Entries(), planted) << "the private folder is removed, the links untouched";

    const TProgramExit failed = RunDemoOnce(tmp, {"--no-such-option"});
    EXPECT_EQ(failed.ExitCode, 1);
    EXPECT_NE(failed.ErrorText.find("cli-demo: the instrument simulator did not start"),
              std::string::npos)
        << failed.ErrorText;
    EXPECT_EQ(failed.OutputText.find("Downloading"), std::string::npos);
    EXPECT_EQ(tmp.Entries(), planted);
}

}  // namespace
}  // namespace norvane::test
