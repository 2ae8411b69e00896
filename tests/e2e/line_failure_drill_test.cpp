// Failure drills on the line: norvane-cli, through the real serial layer, against an
// instrument that goes away, talks nonsense, floods, answers too late, or whose port another
// program holds. Each ends with a clear message, and nothing is lost: an existing target
// file stays as it was, and an upload says where it stopped.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/cli_drill.h"

namespace norvane::test {
namespace {

constexpr const char* kOldFile = "kept\r\n";

class LineFailureDrill : public TCliDrill {
  protected:
    LineFailureDrill() { WriteFile(Dir / "copy.nvf", kOldFile); }

    // Only the files the drill made itself: no temporary file left behind.
    void ExpectOldFileKeptAndNothingLeft() {
        EXPECT_EQ(ReadFile(Dir / "copy.nvf"), kOldFile);
        EXPECT_EQ(Dir.Entries(), (Names{"copy.nvf", "empty.ini", "journal", "table.nvf"}));
    }
};

TEST_F(LineFailureDrill, UnpluggedMidDownloadNamesTheDeviceAndKeepsTheOldFile) {
    TSimProcess sim(SimArgs({"--hang-up-after", "100"}));
    const TProgramExit exit = Run(CliArgs("download", Dir / "copy.nvf", sim));
    EXPECT_EQ(exit.ExitCode, 2) << exit.ErrorText;
    EXPECT_EQ(exit.OutputText, "Download failed - no connection!\n");
    EXPECT_EQ(exit.ErrorText, sim.LinePath() + " was disconnected\n");
    EXPECT_EQ(JournalLines(), 100u);
    ExpectOldFileKeptAndNothingLeft();
}

TEST_F(LineFailureDrill, UnpluggedMidUploadSaysWhereItStoppedAndKeepsWhatWasStored) {
    std::string upload;
    for (int cell = 1; cell <= 300; ++cell) {
        upload += std::to_string(cell) + ",uploaded\r\n";
    }
    WriteFile(Dir / "up.nvf", upload);
    // Line clear, probe and 48 stores answered; the 49th store finds the line gone.
    TSimProcess sim(SimArgs({"--hang-up-after", "50", "--save", Dir / "stored.nvf"}));
    const TProgramExit exit = Run(CliArgs("upload", Dir / "up.nvf", sim));
    EXPECT_EQ(exit.ExitCode, 2) << exit.ErrorText;
    EXPECT_EQ(exit.OutputText, "Upload failed - no connection!\nUpload of " + (Dir / "up.nvf") +
                                   " stopped at line 49 of 300.\n");
    EXPECT_EQ(sim.Stop().ExitCode, 0);
    const std::string stored = ReadFile(Dir / "stored.nvf");
    const std::size_t firstKept = stored.find("49,gauge 343\r\n");
    EXPECT_EQ(stored.substr(0, firstKept), upload.substr(0, upload.find("49,")))
        << "every line before 49 arrived, and none after";
}

TEST_F(LineFailureDrill, RandomRepliesEndTheTransferWithTheirTextAndHarmNothing) {
    WriteFile(Dir / "up.nvf", TableOf(20));
    for (const char* seed : {"1", "2", "3", "4"}) {
        TSimProcess sim(SimArgs({"--random-replies", seed}));
        const TProgramExit down = Run(CliArgs("download", Dir / "copy.nvf", sim));
        EXPECT_EQ(down.ExitCode, 2) << seed << ": " << down.ErrorText;
        EXPECT_TRUE(LastLine(down.OutputText).starts_with("Download failed - unknown error... "))
            << seed << ": " << down.OutputText;
        const TProgramExit up = Run(CliArgs("upload", Dir / "up.nvf", sim));
        EXPECT_EQ(up.ExitCode, 2) << seed << ": " << up.ErrorText;
        EXPECT_NE(up.OutputText.find("Upload failed - unknown error... "), std::string::npos)
            << seed << ": " << up.OutputText;
    }
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), kOldFile);
    EXPECT_EQ(Dir.Entries(), (Names{"copy.nvf", "empty.ini", "journal", "table.nvf", "up.nvf"}));
}

TEST_F(LineFailureDrill, HundredKilobytesWithoutLineFeedIsAnUnknownReply) {
    // Commands 1 and 2 are the line clear and the probe; the flood precedes cell 1's reply.
    TSimProcess sim(SimArgs({"--flood-at", "3", "100000"}));
    const TProgramExit exit = Run(CliArgs("download", Dir / "copy.nvf", sim));
    EXPECT_EQ(exit.ExitCode, 2) << exit.ErrorText;
    EXPECT_EQ(exit.OutputText,
              "Download failed - unknown error... BCDEFGHIJKLMNOPQRSTUVWXYZABCDE\n");
    ExpectOldFileKeptAndNothingLeft();
}

TEST_F(LineFailureDrill, FloodAnsweringTheLineClearIsClearedAwayAndTheDownloadCompletes) {
    TSimProcess sim(SimArgs({"--flood-at", "1", "100000"}));
    const TProgramExit exit = Run(CliArgs("download", Dir / "copy.nvf", sim));
    EXPECT_EQ(exit.ExitCode, 0) << exit.ErrorText;
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), ReadFile(Dir / "table.nvf"));
}

TEST_F(LineFailureDrill, LineClearAnsweredJustAfterItsTimeOutDoesNotShiftTheReplies) {
    TSimProcess sim(SimArgs({"--delay-at", "1", "2001"}));
    const TProgramExit exit = Run(CliArgs("download", Dir / "copy.nvf", sim));
    EXPECT_EQ(exit.ExitCode, 0) << exit.ErrorText;
    EXPECT_EQ(exit.OutputText, "Download to " + (Dir / "copy.nvf") + " complete.\n");
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), ReadFile(Dir / "table.nvf"))
        << "each cell under its own number, none twice, none missing";
}

TEST_F(LineFailureDrill, CellAnsweredJustAfterItsTimeOutEndsTheDownload) {
    TSimProcess sim(SimArgs({"--delay-at", "5", "2001"}));
    const TProgramExit exit = Run(CliArgs("download", Dir / "copy.nvf", sim));
    EXPECT_EQ(exit.ExitCode, 2) << exit.ErrorText;
    EXPECT_EQ(exit.OutputText, "Download failed - no connection!\n");
    ExpectOldFileKeptAndNothingLeft();
}

// A terminal program or a script may open the line with or without locking it; either way
// it would take the replies. Refused, it is named; with --force only its locks keep us out.
TEST_F(LineFailureDrill, PortHeldByAnotherProgramIsRefusedNamingItAndNothingIsSent) {
    TSimProcess sim(SimArgs({}));
    std::ifstream commFile("/proc/self/comm");
    std::string comm;
    std::getline(commFile, comm);
    const std::string inUse = "Serial device " + sim.LinePath() + " is in use by " + comm +
                              " (pid " + std::to_string(::getpid()) + ")\n" + sim.LinePath() + "\n";
    struct TCase {
        bool Locked;  // flock and the exclusive-use flag, as careful programs take them
        bool Force;
        std::string ErrorText;  // "" for a download that goes through
    };
    const std::vector<TCase> cases{
        {true, false, inUse},
        {true, true, "ie_Open - device already open\n" + sim.LinePath() + "\n"},
        {false, false, inUse},
        {false, true, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Locked ? "locked" : "plain") + (c.Force ? ", --force" : ""));
        const int holder = ::open(sim.LinePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(holder, 0);
        if (c.Locked) {
            ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
            ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);
        }
        Args args = CliArgs("download", Dir / "copy.nvf", sim);
        if (c.Force) {
            args.push_back("--force");
        }
        const TProgramExit exit = Run(args);
        ::close(holder);
        EXPECT_EQ(exit.ExitCode, c.ErrorText.empty() ? 0 : 4) << exit.ErrorText;
        if (!c.ErrorText.empty()) {
            EXPECT_EQ(exit.ErrorText, c.ErrorText);
            EXPECT_EQ(JournalLines(), 0u);
            ExpectOldFileKeptAndNothingLeft();
        }
    }
    const TProgramExit released = Run(CliArgs("download", Dir / "copy.nvf", sim));
    EXPECT_EQ(released.ExitCode, 0) << released.ErrorText;
}

}  // namespace
}  // namespace norvane::test
