// norvane-cli against the instrument simulator over a pseudo-terminal, as a user runs it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// The file differs from the simulator's full table in cell 12's definition and lacks cell
// 41; cell 600 answers with an error.
TEST_F(CliTransferTest, VerifyListsEachCellInWhichTheInstrumentDiffersAndWritesNothing) {
    std::string changed = TableOf(1899);
    changed.replace(changed.find("12,gauge 84\r\n"), 13, "12,TC-K,-200,1370,degC\r\n");
    changed.erase(changed.find("41,gauge 287\r\n"), 14);
    WriteFile(Dir / "changed.nvf", changed);
    struct TVerifyCase {
        const char* File;
        Args SimExtra;
        int ExitCode;
        std::string Output;
    };
    const std::string file = Dir / "changed.nvf";
    const std::vector<TVerifyCase> cases{
        {"table.nvf", {}, 0, "matches " + (Dir / "table.nvf") + " (1899 cells).\n"},
        {"changed.nvf",
         {"--error-cells", "600", "@ERROR bad value"},
         1,
         "cell 12: file has '12,TC-K,-200,1370,degC', instrument has '12,gauge 84'\n"
         "cell 41: only on the instrument\n"
         "cell 600: instrument answered with an error 'ERROR bad value'\n"
         "Instrument on LINE differs from " +
             file + " in 3 cells.\n"},
    };
    for (const TVerifyCase& c : cases) {
        SCOPED_TRACE(c.File);
        TSimProcess sim(SimArgs(c.SimExtra));
        const TProgramExit verify = Run(CliArgs("verify", Dir / c.File, sim));
        EXPECT_EQ(verify.ExitCode, c.ExitCode) << verify.ErrorText;
        std::string expected = c.Output;
        if (c.ExitCode == 0) {
            expected = "Instrument on " + sim.LinePath() + " " + expected;
        } else {
            expected.replace(expected.find("LINE"), 4, sim.LinePath());
            expected = "Verify error - bad value... ERROR bad value\n" + expected;
        }
        EXPECT_EQ(verify.OutputText, expected);
    }
    EXPECT_EQ(Dir.Entries(), (Names{"changed.nvf", "empty.ini", "journal", "table.nvf"}));
}

// An instrument that accepts a line and stores something else: only the verify shows it.
TEST_F(CliTransferTest, UploadWithVerifyFindsALineStoredOtherwiseThanSent) {
    WriteFile(Dir / "table.nvf", "1,probe\r\n");
    WriteFile(Dir / "up.nvf", "1,probe\r\n2,TC-K,0,100\r\n3,bad\r\n");
    TSimProcess sim(SimArgs(
        {"--alter-store", "TC-K", "TC-J", "--reject-store", "bad", "@ERROR invalid value"}));
    Args args = CliArgs("upload", Dir / "up.nvf", sim);
    args.push_back("--verify");
    const TProgramExit up = Run(args);
    EXPECT_EQ(up.ExitCode, 1) << up.ErrorText;
    EXPECT_EQ(up.OutputText,
              "Upload error - invalid value... 3,bad\nUpload of " + (Dir / "up.nvf") +
                  " completed with errors.\n"
                  "cell 2: file has '2,TC-K,0,100', instrument has '2,TC-J,0,100'\n"
                  "cell 3: only in the file\nInstrument on " +
                  sim.LinePath() + " differs from " + (Dir / "up.nvf") + " in 2 cells.\n");
}

TEST_F(CliTransferTest, DiffComparesTwoCellFilesOffline) {
    WriteFile(Dir / "monday.nvf", "1,a\r\n2,b\r\n");
    WriteFile(Dir / "tuesday.nvf", "2,b\n1,a\n");
    WriteFile(Dir / "later.nvf", "1,a\r\n2,c\u202e\r\n");  // right-to-left override
    WriteFile(Dir / "program.nvf", std::string("\x7f"
                                               "ELF\0\0",
                                               6));
    const auto diff = [this](const char* a, const char* b) {
        return RunProgramToExit(NORVANE_CLI_EXECUTABLE, {"diff", Dir / a, Dir / b});
    };
    const TProgramExit same = diff("monday.nvf", "tuesday.nvf");
    EXPECT_EQ(same.ExitCode, 0);
    EXPECT_EQ(same.OutputText,
              (Dir / "monday.nvf") + " matches " + (Dir / "tuesday.nvf") + " (2 cells).\n");
    const TProgramExit changed = diff("monday.nvf", "later.nvf");
    EXPECT_EQ(changed.ExitCode, 1);
    EXPECT_EQ(changed.OutputText.find("\u202e"), std::string::npos) << "escaped for the terminal";
    EXPECT_EQ(diff("monday.nvf", "program.nvf").ExitCode, 4);
    EXPECT_EQ(diff("monday.nvf", "missing.nvf").ExitCode, 4);
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
    const TProgramExit usage = Run({"download"});
    EXPECT_EQ(usage.ExitCode, 4);
    EXPECT_NE(usage.ErrorText.find("--help"), std::string::npos);
}

// What a field engineer records: the trace and the dispatch log in their own layouts, from
// the line clear and the probe on; a recording that cannot be written is said after the
// outcome and leaves the exit status alone.
// Started with its output closed (`>&-`), the program's next descriptor would take number 1
// and every log line would go there instead (to the event loop's wake-up counter, or the
// instrument): the log failed and the download was aborted.
// Output on a full device: the file is replaced before the completion line fails, and the
// exit status must say what happened to the file, not that the log was lost.
TEST_F(CliTransferTest, StartedWithItsOutputClosedOrFullTheDownloadStillCompletes) {
    TSimProcess sim(SimArgs({}));
    for (const char* redirection : {">&-", ">/dev/full"}) {
        std::filesystem::remove(Dir / "copy.nvf");
        Args args{"-c", std::string("exec \"$0\" \"$@\" ") + redirection, NORVANE_CLI_EXECUTABLE};
        const Args cli = CliArgs("download", Dir / "copy.nvf", sim);
        args.insert(args.end(), cli.begin(), cli.end());
        const TProgramExit exit = RunProgramToExit("/bin/sh", args);
        EXPECT_EQ(exit.ExitCode, 0) << redirection << ": " << exit.ErrorText;
        EXPECT_EQ(exit.ErrorText.find("abort"), std::string::npos) << exit.ErrorText;
        EXPECT_EQ(ReadFile(Dir / "copy.nvf"), ReadFile(Dir / "table.nvf"));
    }
}

// The replies carry no cell number: replies one command late would store every cell under
// its successor's number, and rejections would be charged to the wrong upload lines.
TEST_F(CliTransferTest, RepliesOutOfStepWithTheCommandsAreNoSuccess) {
    WriteFile(Dir / "copy.nvf", "kept\r\n");
    {
        // Past the time-out and the one further interval a given-up reply is waited for.
        TSimProcess sim(SimArgs({"--delay-at", "1", "4100"}));
        const TProgramExit exit = Run(CliArgs("download", Dir / "copy.nvf", sim));
        EXPECT_EQ(exit.ExitCode, 2) << exit.ErrorText;
        EXPECT_EQ(exit.OutputText,
                  "Download failed - the instrument's replies were out of step "
                  "with the commands!\n");
        EXPECT_EQ(ReadFile(Dir / "copy.nvf"), "kept\r\n");
    }
    {
        WriteFile(Dir / "up.nvf", "2,two\r\n3,bad\r\n4,four\r\n");
        TSimProcess sim(SimArgs(
            {"--line-clear-reply", "*\\r\\n*", "--reject-store", "bad", "@ERROR invalid value"}));
        const TProgramExit exit = Run(CliArgs("upload", Dir / "up.nvf", sim));
        EXPECT_EQ(exit.ExitCode, 1) << exit.ErrorText;
        EXPECT_NE(exit.OutputText.find("Upload error - the instrument's replies were out of step"),
                  std::string::npos)
            << exit.OutputText;
        EXPECT_TRUE(exit.OutputText.ends_with(" completed with errors.\n")) << exit.OutputText;
    }
}

TEST_F(CliTransferTest, TraceAndLogRecordTheTransferOnRequest) {
    WriteFile(Dir / "table.nvf", "1,one\r\n");
    TSimProcess sim(SimArgs({}));
    Args args = CliArgs("download", Dir / "copy.nvf", sim);
    args.insert(args.end(), {"--trace", Dir / "line.trc", "--trace-size", "200000", "--log",
                             Dir / "line.log", "--log-size", "4000000"});
    const TProgramExit exit = Run(args);
    EXPECT_EQ(exit.ExitCode, 0) << exit.ErrorText;
    EXPECT_EQ(exit.ErrorText, "");
    const std::string trace = ReadFile(Dir / "line.trc");
    // A reply's line feed is taken with the next reply.
    EXPECT_TRUE(
        trace.starts_with("Transmit: [0D][0A]\r\n\r\nReceive: *[0D]\r\n\r\n"
                          "Transmit: ?B1/1[0D][0A]\r\n\r\nReceive: [0A]*1,one[0D]"))
        << trace.substr(0, 200);
    const std::string log = ReadFile(Dir / "line.log");
    EXPECT_TRUE(log.starts_with("VEXA v3.03\r\nCompiler : ")) << log.substr(0, 200);
    EXPECT_NE(log.find("Time      Type      SubType       Data      OtherData\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("?B1/1[0D][0A]"), std::string::npos) << "the probe";
    EXPECT_NE(log.find("*1,one[0D]"), std::string::npos) << "the cell's reply";

    args = CliArgs("download", Dir / "again.nvf", sim);
    args.insert(args.end(), {"--log", Dir / "no-folder/line.log"});
    const TProgramExit unwritable = Run(args);
    EXPECT_EQ(unwritable.ExitCode, 0) << unwritable.ErrorText;
    EXPECT_EQ(unwritable.OutputText, "Download to " + (Dir / "again.nvf") + " complete.\n");
    EXPECT_EQ(unwritable.ErrorText, "norvane-cli: cannot write the log to " +
                                        (Dir / "no-folder/line.log") + ": File not found\n");
}

// In a shared folder another user may have put something at the recording's name first. The
// transfer goes on; the recording is refused, the reason said, and nothing is written there.
TEST_F(CliTransferTest, ARecordingIsNeverWrittenIntoWhatSomeoneElsePutAtItsName) {
    WriteFile(Dir / "table.nvf", "1,one\r\n");
    TSimProcess sim(SimArgs({}));
    WriteFile(Dir / "planted.trc", "theirs");
    // Root runs this in CI: the file is nobody's. Anyone else meets a file of root's.
    const std::string planted = RunningAsRoot() ? Dir / "planted.trc" : "/etc/hostname";
    if (RunningAsRoot()) {
        ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);
        ::chmod(planted.c_str(), 0666);
    }
    ASSERT_EQ(::mkfifo((Dir / "pipe.trc").c_str(), 0666), 0);
    const int reader = ::open((Dir / "pipe.trc").c_str(), O_RDONLY | O_NONBLOCK);  // held open
    WriteFile(Dir / "mine.nvf", "kept\r\n");
    ASSERT_EQ(::link((Dir / "mine.nvf").c_str(), (Dir / "linked.trc").c_str()), 0);
    const struct {
        std::string trace;
        std::string reason;
    } cases[] = {{planted, "belongs to another user"},
                 {Dir / "pipe.trc", "is a FIFO"},
                 {Dir / "linked.trc", "has other hard links"}};
    for (const auto& c : cases) {
        const std::string before = ReadFile(c.trace == Dir / "pipe.trc" ? "/dev/null" : c.trace);
        Args args = CliArgs("download", Dir / "copy.nvf", sim);
        args.insert(args.end(), {"--trace", c.trace});
        const TProgramExit exit = Run(args);
        EXPECT_EQ(exit.ExitCode, 0) << exit.ErrorText;
        EXPECT_EQ(exit.ErrorText,
                  "norvane-cli: cannot record the trace to " + c.trace + ": it " + c.reason + "\n");
        if (c.trace != Dir / "pipe.trc") {
            EXPECT_EQ(ReadFile(c.trace), before) << c.trace;
        }
    }
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0) << "nothing reached the pipe's reader";
    ::close(reader);
}

// A user must be able to act on a failure to open the line: the serial layer's own text,
// then what was tried and what is wrong with it.
TEST_F(CliTransferTest, OpenAndSettingsFailuresNameWhatWasTried) {
    std::filesystem::create_directory(Dir / "folder");
    WriteFile(Dir / "plain-file", "");
    const std::string badId = "ie_BadId - Specified comport doesn't exist\n";
    struct TCase {
        Args Line;
        std::string ErrorText;
    };
    const std::vector<TCase> cases{
        {{"--device", "/dev/null"},
         "Inappropriate ioctl for device\n/dev/null is not a serial device\n"},
        {{"--device", Dir / "folder"},
         "Is a directory\n" + (Dir / "folder") + " is a directory, not a serial device\n"},
        {{"--device", Dir / "plain-file"},
         "Inappropriate ioctl for device\n" + (Dir / "plain-file") + " is not a serial device\n"},
        {{"--device", Dir / "no-such-tty"}, badId + (Dir / "no-such-tty") + " does not exist\n"},
        {{"--port", "2", "--settings", Dir / "gone.ini"},
         "norvane-cli: cannot read the settings file " + (Dir / "gone.ini") +
             ": No such file or directory\n"},
    };
    WriteFile(Dir / "gone.ini", "");
    std::filesystem::remove(Dir / "gone.ini");
    for (const TCase& c : cases) {
        Args args{"download", Dir / "x.nvf"};
        args.insert(args.end(), c.Line.begin(), c.Line.end());
        if (std::find(args.begin(), args.end(), "--settings") == args.end()) {
            args.insert(args.end(), {"--settings", Dir / "empty.ini"});
        }
        const TProgramExit exit = Run(args);
        EXPECT_EQ(exit.ExitCode, 4) << ::testing::PrintToString(c.Line);
        EXPECT_EQ(exit.ErrorText, c.ErrorText);
    }
    // A port number that leads to a device assigned to it, now gone (an adapter unplugged).
    WriteFile(Dir / "Norvane.ini", "[PortDevices]\n7=" + (Dir / "unplugged") + "\n");
    const TProgramExit assigned =
        Run({"download", Dir / "x.nvf", "--port", "7", "--settings", Dir / "Norvane.ini"});
    EXPECT_EQ(assigned.ErrorText, badId + "port 7: " + (Dir / "unplugged") + " does not exist\n");
    // -- lets a file name begin with a dash.
    const TProgramExit dashed = Run({"--device", Dir / "no-such-tty", "--settings",
                                     Dir / "empty.ini", "download", "--", "-x.nvf"});
    EXPECT_EQ(dashed.ExitCode, 4) << dashed.ErrorText;
    EXPECT_TRUE(dashed.ErrorText.starts_with(badId)) << dashed.ErrorText;
}

TEST_F(CliTransferTest, BytesFromTheLineAndFileNamesCannotReachTheTerminalRaw) {
    // A reply that would retitle the terminal and clear it, a file name that would forge a
    // log line of its own, and the command line's own complaint about an option.
    TSimProcess sim(SimArgs({"--error-cells", "5", "@ERROR\\x1b]0;owned\\x07\\x1b[2J"}));
    const std::string target = Dir / "a\nDownload to x complete..nvf";
    const TProgramExit exit = Run(CliArgs("download", target, sim));
    EXPECT_EQ(exit.ExitCode, 1) << exit.ErrorText;
    const std::string shownTarget = Dir / "a\\x0ADownload to x complete..nvf";
    EXPECT_EQ(exit.OutputText, "Download error... ERROR\\x1B]0;owned\\x07\\x1B[2J\nDownload to " +
                                   shownTarget + " completed with errors.\n");
    const TProgramExit usage = Run({"download", "x", "--\x1b[2J"});
    EXPECT_EQ(usage.ErrorText,
              "norvane-cli: unknown option '--\\x1B[2J'\nTry 'norvane-cli --help'.\n");
}

// How a download can be ended from outside; each must end it like the Abort button.
struct TOutsideEnding {
    const char* Name;
    int Signal;  // 0: the reader of standard output goes away instead
    std::size_t AfterCommands;
    Args SimExtra;
    const char* Journal = nullptr;  // what the instrument received in all, where that is known
    bool SignalTwice = false;       // the same signal again 10 ms later
};

void PrintTo(const TOutsideEnding& ending, std::ostream* out) {
    *out << ending.Name;
}

// Whether a user without privileges could open path now. Root is exempt from a tty's
// exclusive-use flag, so as root the check runs as nobody.
bool OrdinaryUserCanOpen(const std::string& path) {
    if (!RunningAsRoot()) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) {
            ::close(fd);
        }
        return fd >= 0;
    }
    ::chmod(path.c_str(), 0666);
    return RunProgramToExit("/usr/bin/setpriv",
                            {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "--", "sh",
                             "-c", ": <> \"$1\"", "sh", path})
               .ExitCode == 0;
}

class OutsideEnding : public TCliDrill, public ::testing::WithParamInterface<TOutsideEnding> {};

TEST_P(OutsideEnding, AbortsCleanlyKeepsTheOldFileAndUnlocksThePort) {
    const TOutsideEnding& ending = GetParam();
    WriteFile(Dir / "copy.nvf", "kept\r\n");
    TSimProcess sim(SimArgs(ending.SimExtra));
    // Another program holding the line keeps its tty, and so the exclusive-use flag, alive;
    // --force lets the download share the line with it.
    const int holder = ::open(sim.LinePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(holder, 0);
    Args args = CliArgs("download", Dir / "copy.nvf", sim);
    args.insert(args.end(), {"--trace", Dir / "line.trc", "--trace-size", "200000", "--force"});
    TChildProcess cli(NORVANE_CLI_EXECUTABLE, args);
    AwaitJournalLines(ending.AfterCommands);
    if (ending.Signal != 0) {
        cli.Signal(ending.Signal);
        if (ending.SignalTwice) {
            std::this_thread::sleep_for(10ms);
            cli.Signal(ending.Signal);
        }
    } else {
        cli.CloseOutput();
    }
    const TProgramExit exit = cli.Wait();
    EXPECT_EQ(exit.ExitCode, 3) << exit.ErrorText << " signal " << exit.Signal;
    if (ending.Signal != 0) {
        EXPECT_EQ(exit.OutputText, "Download aborted by user.\n");
    } else {
        EXPECT_NE(exit.ErrorText.find("cannot write the message log to standard output: Broken "
                                      "pipe"),
                  std::string::npos)
            << exit.ErrorText;
    }
    EXPECT_LT(JournalLines(), 1901u);
    if (ending.Journal != nullptr) {
        EXPECT_EQ(ReadFile(Dir / "journal"), ending.Journal);
    }
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), "kept\r\n");
    // The recording is written however the transfer ended; first went the line clear.
    EXPECT_TRUE(ReadFile(Dir / "line.trc").starts_with("Transmit: [0D][0A]"));
    EXPECT_EQ(Dir.Entries(), (Names{"copy.nvf", "empty.ini", "journal", "line.trc", "table.nvf"}));
    EXPECT_TRUE(OrdinaryUserCanOpen(sim.LinePath())) << "the port was left locked";
    EXPECT_FALSE(std::filesystem::exists("/var/lock/LCK.." +
                                         std::filesystem::path(sim.LinePath()).filename().string()))
        << "the lock file was left behind";
    ::close(holder);
}

INSTANTIATE_TEST_SUITE_P(
    CliTransferTest, OutsideEnding,
    ::testing::Values(
        TOutsideEnding{"Terminated", SIGTERM, 100, {"--think-ms", "2"}},
        TOutsideEnding{"HungUp", SIGHUP, 100, {"--think-ms", "2"}},
        // The line clear's outcome is never examined: an abort must outlast it, and nothing
        // goes out after it.
        TOutsideEnding{"CtrlCDuringTheLineClear", SIGINT, 1, {"--line-clear-reply", "none"}, "\n"},
        // timeout(1) and supervisors signal the program, then its process group.
        TOutsideEnding{
            "InterruptedTwiceInQuickSuccession", SIGINT, 100, {"--think-ms", "2"}, nullptr, true},
        // The log's first line after the reader left is cell 600's error.
        TOutsideEnding{
            "OutputClosed", 0, 100, {"--think-ms", "2", "--error-cells", "600", "@ERROR=16"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CliTransferTest, UnpluggedMidDownloadFailsCleanlyAndTheNextDownloadWorks) {
    auto sim = std::make_unique<TSimProcess>(SimArgs({"--think-ms", "2"}));
    Args args = CliArgs("download", Dir / "copy.nvf", *sim);
    args.insert(args.end(), {"--log", Dir / "lost.log"});
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
    EXPECT_TRUE(ReadFile(Dir / "lost.log").starts_with("VEXA v3.03\r\n"))
        << "the log is written also when the device is lost";

    TSimProcess again(SimArgs({}));
    const TProgramExit retry = Run(CliArgs("download", Dir / "copy.nvf", again));
    EXPECT_EQ(retry.ExitCode, 0) << retry.ErrorText;
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), ReadFile(Dir / "table.nvf"));
}

}  // namespace
}  // namespace norvane::test
