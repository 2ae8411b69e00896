// norvane-cli against the instrument simulator over a pseudo-terminal, as a user runs it.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "cli_drill.h"
#include "tests/support/child_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::test {
namespace {

using namespace std::chrono_literals;
using CliTransferTest = TCliDrill;

TEST_F(CliTransferTest, FullDownloadEqualsTheInstrumentsTable) {
    TSimProcess sim(SimArgs({}));
    const TProgramExit exit = Run(CliArgs("download", Dir / "copy.nvf", sim));
    EXPECT_EQ(exit.ExitCode, 0) << exit.ErrorText;
    EXPECT_EQ(exit.OutputText, "Download to " + (Dir / "copy.nvf") + " complete.\n");
    EXPECT_EQ(exit.ErrorText, "") << "no terminal: no progress bar";
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), ReadFile(Dir / "table.nvf"));
}

TEST_F(CliTransferTest, PortNumbersMeanTheDevicesTheSettingsFileAssigns) {
    TSimProcess sim(SimArgs({}));
    WriteFile(Dir / "Norvane.ini",
              "[ComPortSettings]\nComPort=2\n[PortDevices]\n3=" + sim.LinePath() + "\n");
    const Args settings{"--settings", Dir / "Norvane.ini"};
    Args stored{"download", Dir / "stored.nvf"};  // the stored port, 3
    stored.insert(stored.end(), settings.begin(), settings.end());
    const TProgramExit fromStored = Run(stored);
    EXPECT_EQ(fromStored.ExitCode, 0) << fromStored.ErrorText;
    EXPECT_EQ(ReadFile(Dir / "stored.nvf"), ReadFile(Dir / "table.nvf"));

    Args given{"download", Dir / "given.nvf", "--port", "3"};
    given.insert(given.end(), settings.begin(), settings.end());
    const TProgramExit fromOption = Run(given);
    EXPECT_EQ(fromOption.ExitCode, 0) << fromOption.ErrorText;
}

// Line 3 ends in LF alone, as after an edit with Linux tools: it is a line of its own, and
// the rejection of line 4 is reported for line 4.
TEST_F(CliTransferTest, UploadThenDownloadRoundTripsAndRejectionsCount) {
    WriteFile(Dir / "table.nvf", "1,probe\r\n");
    WriteFile(Dir / "up.nvf", "2,two\r\n3,three\n4,bad\r\n5,five\r\n");
    TSimProcess sim(SimArgs({"--reject-store", "bad", "@ERROR invalid value"}));
    const TProgramExit up = Run(CliArgs("upload", Dir / "up.nvf", sim));
    EXPECT_EQ(up.ExitCode, 1) << up.ErrorText;
    EXPECT_EQ(up.OutputText, "Upload error - invalid value... 4,bad\nUpload of " +
                                 (Dir / "up.nvf") + " completed with errors.\n");
    EXPECT_EQ(ReadFile(Dir / "journal"), "\n?B1/1\n=2,two\n=3,three\n=4,bad\n=5,five\n");
    const TProgramExit down = Run(CliArgs("download", Dir / "down.nvf", sim));
    EXPECT_EQ(down.ExitCode, 0) << down.ErrorText;
    EXPECT_EQ(ReadFile(Dir / "down.nvf"), "1,probe\r\n2,two\r\n3,three\r\n5,five\r\n");
}

TEST_F(CliTransferTest, FailuresEndWithTheirMessagesAndExitCodes) {
    WriteFile(Dir / "copy.nvf", "kept\r\n");
    {
        TSimProcess sim(SimArgs({"--silent-cells", "1", "--line-clear-reply", "none"}));
        const TProgramExit exit = Run(CliArgs("download", Dir / "copy.nvf", sim));
        EXPECT_EQ(exit.ExitCode, 2);
        EXPECT_EQ(exit.OutputText, "Download failed - no connection!\n");
    }
    {
        TSimProcess sim(SimArgs({"--garbage-cells", "3"}));
        const TProgramExit exit = Run(CliArgs("download", Dir / "copy.nvf", sim));
        EXPECT_EQ(exit.ExitCode, 2);
        EXPECT_EQ(exit.OutputText, "Download failed - unknown error... garbled\n");
    }
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), "kept\r\n") << "failed downloads keep the old file";
    {
        TSimProcess sim(SimArgs({}));
        const TProgramExit missing = Run(CliArgs("upload", Dir / "absent.nvf", sim));
        EXPECT_EQ(missing.ExitCode, 2);
        EXPECT_EQ(missing.OutputText,
                  "Upload failed - " + (Dir / "absent.nvf") + " does not exist!\n");
    }
    const TProgramExit noDevice = Run({"download", Dir / "x.nvf", "--device", Dir / "no-such-tty",
                                       "--settings", Dir / "none.ini"});
    EXPECT_EQ(noDevice.ExitCode, 4);
    EXPECT_NE(noDevice.ErrorText.find("ie_BadId - Specified comport doesn't exist"),
              std::string::npos)
        << noDevice.ErrorText;
    const TProgramExit usage = Run({"download"});
    EXPECT_EQ(usage.ExitCode, 4);
    EXPECT_NE(usage.ErrorText.find("--help"), std::string::npos);
}

TEST_F(CliTransferTest, CtrlCAbortsLikeTheAbortButtonAndLeavesNoPartialFile) {
    TSimProcess sim(SimArgs({"--think-ms", "2"}));
    TChildProcess cli(NORVANE_CLI_EXECUTABLE, CliArgs("download", Dir / "copy.nvf", sim));
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (JournalLines() < 100 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);  // waiting for progress, not timing anything
    }
    cli.Signal(SIGINT);
    const TProgramExit exit = cli.Wait();
    EXPECT_EQ(exit.ExitCode, 3) << exit.ErrorText;
    EXPECT_EQ(exit.OutputText, "Download aborted by user.\n");
    EXPECT_LT(JournalLines(), 1901u);
    EXPECT_TRUE(Dir.Entries() == (std::vector<std::string>{"journal", "table.nvf"}))
        << ::testing::PrintToString(Dir.Entries());
}

// Ctrl-C while the instrument leaves the line clear unanswered: the abort used to be lost
// when the probe went out, and the download ran to its end and replaced the file.
TEST_F(CliTransferTest, CtrlCDuringTheLineClearEndsTheDownloadThere) {
    WriteFile(Dir / "old.nvf", "last month\r\n");
    TSimProcess sim(SimArgs({"--line-clear-reply", "none"}));
    TChildProcess cli(NORVANE_CLI_EXECUTABLE, CliArgs("download", Dir / "old.nvf", sim));
    AwaitJournalLines(1);  // the line clear has arrived; its 2000 ms wait runs
    cli.Signal(SIGINT);
    const TProgramExit exit = cli.Wait();
    EXPECT_EQ(exit.ExitCode, 3) << exit.ErrorText;
    EXPECT_EQ(exit.OutputText, "Download aborted by user.\n");
    EXPECT_EQ(ReadFile(Dir / "journal"), "\n") << "nothing but the line clear was sent";
    EXPECT_EQ(ReadFile(Dir / "old.nvf"), "last month\r\n");
    EXPECT_EQ(Dir.Entries(), (Names{"journal", "old.nvf", "table.nvf"}));
}

TEST_F(CliTransferTest, UnpluggedMidDownloadFailsCleanlyAndTheNextDownloadWorks) {
    auto sim = std::make_unique<TSimProcess>(SimArgs({"--think-ms", "2"}));
    const Args args = CliArgs("download", Dir / "copy.nvf", *sim);
    TChildProcess cli(NORVANE_CLI_EXECUTABLE, args);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (JournalLines() < 100 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    sim.reset();  // the line goes away mid-download
    const TProgramExit exit = cli.Wait();
    EXPECT_EQ(exit.ExitCode, 2) << exit.ErrorText;
    EXPECT_EQ(exit.OutputText, "Download failed - no connection!\n");
    EXPECT_FALSE(std::filesystem::exists(Dir / "copy.nvf"));

    TSimProcess again(SimArgs({}));
    const TProgramExit retry = Run(CliArgs("download", Dir / "copy.nvf", again));
    EXPECT_EQ(retry.ExitCode, 0) << retry.ErrorText;
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), ReadFile(Dir / "table.nvf"));
}

}  // namespace
}  // namespace norvane::test
