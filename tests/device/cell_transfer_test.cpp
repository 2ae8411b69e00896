#include "device/cell_transfer.h"

#include "device/cell_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "fake_event_loop.h"
#include "recording_host.h"
#include "scripted_port.h"
#include "tests/support/temp_dir.h"

namespace norvane::device {
namespace {

using norvane::test::ReadFile;
using norvane::test::TTempDir;
using norvane::test::WriteFile;
using testing::TFakeEventLoop;
using testing::TRecordingHost;
using testing::TScriptedPort;
using testing::TScriptedReply;
using Lines = std::vector<std::string>;

// Answers queries from a table of cells and stores with "*", unless a reply is scripted
// for the exact command. A scripted reply of std::nullopt is silence.
class TTableInstrument {
  public:
    std::optional<TScriptedReply> Answer(const std::string& command) {
        if (auto special = Special.find(command); special != Special.end()) {
            if (!special->second)
                return std::nullopt;
            return TScriptedReply{*special->second + "\r\n"};
        }
        if (command.rfind("?B1/", 0) == 0) {
            const int cell = std::stoi(command.substr(4));
            auto found = Cells.find(cell);
            return TScriptedReply{found == Cells.end() ? "@ERROR cell not available\r\n"
                                                       : "*" + found->second + "\r\n"};
        }
        return TScriptedReply{"*\r\n"};
    }

    std::map<int, std::string> Cells;
    std::map<std::string, std::optional<std::string>> Special;
};

class CellTransferTest : public ::testing::Test {
  protected:
    CellTransferTest() {
        Port.Connect(Link);
        Port.SetResponder([this](const std::string& c) { return Instrument.Answer(c); });
        Loop.SetTimerHandler([this] { Link.TimeOutTimerTimer(); });
        Link.AddLineTrigger();
    }

    Lines Queries() const {
        Lines queries;
        for (const auto& c : Port.Commands()) {
            if (c.rfind("?B1/", 0) == 0 && c != "?B1/1\r\n")
                queries.push_back(c);
        }
        return queries;
    }

    TTempDir Dir;
    TFakeEventLoop Loop;
    TScriptedPort Port{Loop};
    TInstrumentLink Link{Port, Loop};
    TCellTransfer Transfer{Link};
    TTableInstrument Instrument;
    TRecordingHost Host{Dir / "cells.nvf"};
};

// ---- download ---------------------------------------------------------------------------

TEST_F(CellTransferTest, DownloadWritesOneLinePerDefinedCell) {
    Instrument.Cells = {{1, "1,TC-K"}, {5, "5,PT100"}, {1899, "1899,last"}};
    Transfer.DownloadCells(Host);

    EXPECT_EQ(ReadFile(Host.Path), "1,TC-K\r\n5,PT100\r\n1899,last\r\n");
    EXPECT_EQ(Host.Log, Lines{"Download to " + Host.Path + " complete."});
    EXPECT_EQ(Host.TransferStates, (std::vector<std::pair<bool, int>>{{true, 1899}}));
    ASSERT_EQ(Host.Progress.size(), 1899u);
    EXPECT_EQ(Host.Progress.back(), 1899);
    EXPECT_EQ(Host.Beeps, 0);
    ASSERT_EQ(Port.Commands().size(), 1901u);
    EXPECT_EQ(Port.Commands()[0], "\r\n");
    EXPECT_EQ(Port.Commands()[1], "?B1/1\r\n");
    EXPECT_EQ(Port.Commands()[2], "?B1/1\r\n");
    EXPECT_EQ(Port.Commands()[1900], "?B1/1899\r\n");
    EXPECT_EQ(Dir.Entries(), Lines{"cells.nvf"});
}

TEST_F(CellTransferTest, DownloadOfAnEmptyInstrumentLeavesAnEmptyFile) {
    Transfer.DownloadCells(Host);
    EXPECT_TRUE(std::filesystem::exists(Host.Path));
    EXPECT_EQ(ReadFile(Host.Path), "");
    EXPECT_EQ(Host.Log, Lines{"Download to " + Host.Path + " complete."});
}

TEST_F(CellTransferTest, DownloadCutsLongDefinitionsToThirtyCharacters) {
    Instrument.Cells = {{2, std::string(35, 'x')}};
    Transfer.DownloadCells(Host);
    EXPECT_EQ(ReadFile(Host.Path), std::string(30, 'x') + "\r\n");
}

TEST_F(CellTransferTest, ErrorReplyToTheProbeIsLoggedButNotCounted) {
    Instrument.Cells = {{2, "2,b"}};
    Instrument.Special["?B1/1\r\n"] = "@ERROR=16";
    Transfer.DownloadCells(Host);

    EXPECT_TRUE(Host.TransferStates.empty()) << "the dialog stays idle";
    // Cell 1 is queried with the same text as the probe and is rejected again.
    EXPECT_EQ(Host.Log, (Lines{"Download error - syntax error... ERROR=16",
                               "Download error - syntax error... ERROR=16",
                               "Download to " + Host.Path + " completed with errors."}));
    EXPECT_EQ(ReadFile(Host.Path), "2,b\r\n");
}

TEST_F(CellTransferTest, SilentProbeLeavesNoFileAndQueriesNoCell) {
    Instrument.Special["?B1/1\r\n"] = std::nullopt;
    Transfer.DownloadCells(Host);

    EXPECT_EQ(Host.Log, Lines{"Download failed - no connection!"});
    EXPECT_EQ(Host.Beeps, 1);
    EXPECT_TRUE(Queries().empty());
    EXPECT_EQ(Port.Commands().size(), 2u);
    EXPECT_TRUE(Dir.Entries().empty());
    EXPECT_TRUE(Host.TransferStates.empty());
    EXPECT_EQ(Host.CloseCancels, 0) << "the dialog closes as after any end";
}

TEST_F(CellTransferTest, FailedDownloadNeverDestroysTheFileItWouldHaveReplaced) {
    WriteFile(Host.Path, "last month\r\n");
    Instrument.Cells = {{1, "1,a"}, {2, "2,b"}};
    Instrument.Special["?B1/3\r\n"] = std::nullopt;
    Transfer.DownloadCells(Host);

    EXPECT_EQ(Host.Log, Lines{"Download failed - no connection!"});
    EXPECT_EQ(ReadFile(Host.Path), "last month\r\n");
    EXPECT_EQ(Dir.Entries(), Lines{"cells.nvf"}) << "no temporary file left behind";
    EXPECT_EQ(Queries().back(), "?B1/3\r\n") << "cell 3's time-out ends the loop";
}

TEST_F(CellTransferTest, AbortDuringCell500RemovesThePartialFile) {
    for (int cell = 1; cell <= 600; ++cell)
        Instrument.Cells[cell] = std::to_string(cell);
    Instrument.Special["?B1/500\r\n"] = std::nullopt;
    Host.OnProgress = [this](int position) {
        if (position == 499)
            Loop.Post([this] { Link.Abort(); }, 300);
    };
    Transfer.DownloadCells(Host);

    EXPECT_EQ(Host.Log, Lines{"Download aborted by user."});
    EXPECT_EQ(Host.Beeps, 1);
    EXPECT_EQ(Queries().back(), "?B1/500\r\n");
    EXPECT_TRUE(Dir.Entries().empty());
}

TEST_F(CellTransferTest, PlaceholderPathShowsTheBoxAndSendsNothing) {
    Host.Path = "*.nvf";
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(Dir.Path());
    Transfer.DownloadCells(Host);
    std::filesystem::current_path(previous);

    EXPECT_EQ(Host.ErrorBoxes, Lines{"Enter a valid filename."});
    EXPECT_EQ(Host.Beeps, 1);
    EXPECT_EQ(Host.CloseCancels, 1);
    EXPECT_TRUE(Port.Commands().empty());
    EXPECT_TRUE(Host.Log.empty());
    EXPECT_TRUE(Dir.Entries().empty()) << "'*.nvf' must never become a file";
}

TEST_F(CellTransferTest, TargetThatCannotBeCreatedShowsTheBoxWithTheCauseLogged) {
    std::filesystem::create_directory(Dir / "folder.nvf");
    for (const std::string& path : {Dir / "folder.nvf", Dir / "no/such/dir/cells.nvf"}) {
        TRecordingHost host{path};
        Transfer.DownloadCells(host);
        EXPECT_EQ(host.ErrorBoxes, Lines{"Enter a valid filename."}) << path;
        EXPECT_EQ(host.CloseCancels, 1);
        ASSERT_EQ(host.Log.size(), 1u);
        EXPECT_NE(host.Log[0].find(path), std::string::npos);
    }
    EXPECT_TRUE(Port.Commands().empty());
}

TEST_F(CellTransferTest, PortFailureMidDownloadShowsTheBoxAndKeepsTheOldFile) {
    WriteFile(Host.Path, "old\r\n");
    Instrument.Cells = {{1, "1,a"}};
    Host.OnProgress = [this](int position) {
        if (position == 1)
            Port.FailNextPut("The serial device was unplugged.");
    };
    Transfer.DownloadCells(Host);

    EXPECT_EQ(Host.ErrorBoxes, Lines{"Enter a valid filename."});
    EXPECT_EQ(Host.ErrorCauses, Lines{"The serial device was unplugged."});
    EXPECT_EQ(Host.CloseCancels, 1);
    EXPECT_EQ(Host.Log,
              Lines{"Download to " + Host.Path + " failed - The serial device was unplugged."});
    EXPECT_EQ(ReadFile(Host.Path), "old\r\n");
    EXPECT_EQ(Dir.Entries(), Lines{"cells.nvf"});
    EXPECT_FALSE(Transfer.Busy());
}

TEST_F(CellTransferTest, SecondStartDuringATransferIsRefused) {
    Instrument.Cells = {{1, "1,a"}};
    TRecordingHost second{Dir / "other.nvf"};
    Host.OnProgress = [&](int position) {
        if (position == 1)
            Loop.Post([&] { Transfer.DownloadCells(second); });
        if (position == 2)
            Loop.Post([&] { Transfer.UploadCells(second); });
    };
    Transfer.DownloadCells(Host);

    EXPECT_EQ(second.Log.size(), 2u);
    EXPECT_EQ(second.CloseCancels, 2);
    EXPECT_EQ(Host.Log, Lines{"Download to " + Host.Path + " complete."});
    EXPECT_FALSE(std::filesystem::exists(Dir / "other.nvf"));
    EXPECT_EQ(Port.Commands().size(), 1901u) << "the refused starts sent nothing";
}

// ---- upload -----------------------------------------------------------------------------

class UploadTest : public CellTransferTest {
  protected:
    UploadTest() { Instrument.Cells[1] = "1,probe"; }

    Lines Stores() const {
        Lines stores;
        for (const auto& c : Port.Commands()) {
            if (c.front() == '=')
                stores.push_back(c);
        }
        return stores;
    }
};

TEST_F(UploadTest, EveryLineGoesOutAsOneStoreInFileOrder) {
    WriteFile(Host.Path, "1,a\r\n5,b\r\n9,c\r\n");
    Transfer.UploadCells(Host);

    EXPECT_EQ(Port.Commands(), (Lines{"\r\n", "?B1/1\r\n", "=1,a\r\n", "=5,b\r\n", "=9,c\r\n"}));
    EXPECT_EQ(Host.TransferStates, (std::vector<std::pair<bool, int>>{{true, 3}}));
    EXPECT_EQ(Host.Progress, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Host.Log, Lines{"Upload of " + Host.Path + " complete."});
    EXPECT_EQ(Transfer.UploadLineCount(), 3);
}

TEST_F(UploadTest, FileShapesFollowTheReadingRules) {
    struct Case {
        std::string bytes;
        Lines stores;
        std::string afterCompletion;
    };
    const std::string cutOff = "Upload of " + Host.Path +
                               " ended at a Ctrl-Z in line 3; the rest of the file was not sent.";
    for (const Case& c :
         {Case{"", {}, ""}, Case{"1,a\n2,b\r\n3,c\n", {"=1,a\r\n", "=2,b\r\n", "=3,c\r\n"}, ""},
          Case{"1,a\r\n2,b\r\n\x1a"
               "3,c\r\n",
               {"=1,a\r\n", "=2,b\r\n"},
               cutOff},
          Case{"1,a\r\n2,b\r\n\x1a", {"=1,a\r\n", "=2,b\r\n"}, ""},
          Case{"1,a\r\n2,b", {"=1,a\r\n", "=2,b\r\n"}, ""}}) {
        WriteFile(Host.Path, c.bytes);
        Host = TRecordingHost{Host.Path};
        const std::size_t before = Port.Commands().size();
        Transfer.UploadCells(Host);
        Lines sent(Port.Commands().begin() + static_cast<long>(before) + 2, Port.Commands().end());
        const std::string file = ::testing::PrintToString(c.bytes);
        EXPECT_EQ(sent, c.stores) << "file: " << file;
        ASSERT_EQ(Host.TransferStates.size(), 1u);
        EXPECT_EQ(Host.TransferStates[0].second, static_cast<int>(c.stores.size())) << file;
        Lines log{"Upload of " + Host.Path + " complete."};
        if (!c.afterCompletion.empty())
            log.push_back(c.afterCompletion);
        EXPECT_EQ(Host.Log, log) << "file: " << file;
    }
}

// A damaged file may hold one line of megabytes; the log quotes its start only.
TEST_F(UploadTest, QuotedLinesAreCutTo200Characters) {
    const std::string line = "2," + std::string(300, 'x');
    WriteFile(Host.Path, "1,a\r\n" + line + "\r\n");
    Instrument.Special["=" + line + "\r\n"] = "@ERROR invalid value";
    Transfer.UploadCells(Host);
    EXPECT_EQ(Host.Log.front(), "Upload error - invalid value... " + line.substr(0, 200) + "...");
}

TEST_F(UploadTest, ErrorReplyToTheProbeQuotesTheLastLineAndDoesNotCount) {
    WriteFile(Host.Path, "1,a\r\n2,b\r\n");
    Instrument.Special["?B1/1\r\n"] = "@ERROR cell not available";
    Transfer.UploadCells(Host);

    EXPECT_TRUE(Host.TransferStates.empty());
    EXPECT_EQ(Host.Log, (Lines{"Upload error - cell not available... 2,b",
                               "Upload of " + Host.Path + " complete."}));
    EXPECT_EQ(Stores().size(), 2u);
}

TEST_F(UploadTest, MissingFileIsReportedAndNothingIsSent) {
    Host.Path = Dir / "absent.nvf";
    Transfer.UploadCells(Host);
    EXPECT_EQ(Host.Log, Lines{"Upload failed - " + Host.Path + " does not exist!"});
    EXPECT_EQ(Host.Beeps, 1);
    EXPECT_TRUE(Port.Commands().empty());
    EXPECT_EQ(Link.ReplyStatus(), rsFileMissing);
}

TEST_F(UploadTest, NoFileChosenShowsTheBox) {
    Host.Path = "*.nvf";
    Transfer.UploadCells(Host);
    EXPECT_EQ(Host.ErrorBoxes, Lines{"Select file to load."});
    EXPECT_EQ(Host.CloseCancels, 1);
    EXPECT_EQ(Host.Beeps, 1);
    EXPECT_TRUE(Port.Commands().empty());
}

// What is no cell file ends the upload before anything is sent, naming the file; reading
// stays bounded (/dev/zero never ends and has no line end).
TEST_F(UploadTest, FileFailuresAndPortFailuresReachTheCaller) {
    std::filesystem::create_directory(Dir / "folder.nvf");
    ASSERT_EQ(::mkfifo((Dir / "pipe.nvf").c_str(), 0600), 0);
    WriteFile(Dir / "binary.nvf", "1,a\r\n" + std::string(5000, 'x') + "\r\n3,c\r\n");
    const std::pair<std::string, std::string> cases[] = {
        {Dir / "folder.nvf", "not a regular file"},
        {Dir / "pipe.nvf", "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {Dir / "binary.nvf", "line 2 is longer than 4096 characters"},
    };
    for (const auto& [path, cause] : cases) {
        Host.Path = path;
        try {
            Transfer.UploadCells(Host);
            ADD_FAILURE() << path << " was uploaded";
        } catch (const TCellFileError& failure) {
            EXPECT_NE(std::string(failure.what()).find(path + ": " + cause), std::string::npos)
                << failure.what();
        }
        EXPECT_TRUE(Port.Commands().empty()) << path;
        EXPECT_FALSE(Transfer.Busy());
    }

    WriteFile(Dir / "cells.nvf", "1,a\r\n");
    Host.Path = Dir / "cells.nvf";
    Port.FailNextPut("The serial device was unplugged.");
    EXPECT_THROW(Transfer.UploadCells(Host), std::runtime_error);
    EXPECT_FALSE(Transfer.Busy());
}

TEST_F(UploadTest, FileThatShrinksDuringTheUploadStopsItInsteadOfSendingBlanks) {
    // Large enough that the reader cannot have it all buffered when it shrinks.
    std::string bytes;
    for (int cell = 1; cell <= 1000; ++cell)
        bytes += std::to_string(cell) + ",definition\r\n";
    WriteFile(Host.Path, bytes);
    Host.OnProgress = [this](int position) {
        if (position == 1)
            WriteFile(Host.Path, "1,definition\r\n");
    };
    EXPECT_THROW(Transfer.UploadCells(Host), TCellFileError);
    EXPECT_LT(Stores().size(), 1000u);
    for (const auto& store : Stores())
        EXPECT_NE(store, "=\r\n");
}

// ---- replies out of step ----------------------------------------------------------------

// The replies carry no cell number: a reply taken for the next command's shifts every later
// one, and only the timing of the lines can show it.
class OutOfStepTest : public UploadTest {
  protected:
    // The instrument answers in order, each reply 10 ms after the later of its command and
    // the previous reply, as a real one working through its input does: a reply held back
    // holds back all later ones. The line clear is answered `lineClearMs` later still.
    void AnswerInOrder(std::int64_t lineClearMs) {
        Port.SetResponder([this, lineClearMs](const std::string& command) {
            std::optional<TScriptedReply> reply = Instrument.Answer(command);
            if (reply) {
                const std::int64_t at =
                    std::max(Loop.Now(), BusyUntil) + 10 + (command == "\r\n" ? lineClearMs : 0);
                reply->delayMs = at - Loop.Now();
                BusyUntil = at;
            }
            return reply;
        });
    }

    std::int64_t BusyUntil = 0;
};

TEST_F(OutOfStepTest, DownloadWhoseLineClearIsAnsweredLateFailsAndKeepsTheOldFile) {
    WriteFile(Host.Path, "last month\r\n");
    for (int cell = 1; cell <= TCellTransfer::CellCount; ++cell)
        Instrument.Cells[cell] = std::to_string(cell) + ",x";
    AnswerInOrder(2 * TFakeEventLoop::kTimeOutMs + 100);  // past the time-out and the owed wait
    Transfer.DownloadCells(Host);

    EXPECT_EQ(Host.Log, Lines{"Download failed - the instrument's replies were out of step "
                              "with the commands!"});
    EXPECT_EQ(Host.Beeps, 1);
    EXPECT_TRUE(Transfer.RepliesOutOfStep());
    EXPECT_EQ(ReadFile(Host.Path), "last month\r\n");
    EXPECT_EQ(Dir.Entries(), Lines{"cells.nvf"});
}

// An instrument that ignores a bare line end is common: the given-up reply never comes, and
// the download must not be failed for it.
TEST_F(OutOfStepTest, LineClearThatIsNeverAnsweredIsNoShift) {
    Instrument.Cells = {{1, "1,a\tb"}, {7, "7,c"}};  // a tab is text
    Instrument.Special["\r\n"] = std::nullopt;
    Transfer.DownloadCells(Host);

    EXPECT_EQ(Host.Log, Lines{"Download to " + Host.Path + " complete."});
    EXPECT_EQ(ReadFile(Host.Path), "1,a\tb\r\n7,c\r\n");
    EXPECT_FALSE(Transfer.RepliesOutOfStep());
}

TEST_F(OutOfStepTest, UploadWhoseLineClearIsAnsweredTwiceCompletesWithErrors) {
    WriteFile(Host.Path, "1,a\r\n2,b\r\n3,c\r\n4,d\r\n");
    Instrument.Special["\r\n"] = "*\r\n*";
    Instrument.Special["=3,c\r\n"] = "@ERROR bad value";
    Transfer.UploadCells(Host);

    EXPECT_EQ(Host.Log.back(), "Upload of " + Host.Path + " completed with errors.");
    EXPECT_EQ(Host.Log.at(Host.Log.size() - 2),
              "Upload error - the instrument's replies were out of step with the lines; the "
              "rejections above may name the wrong lines.");
    EXPECT_TRUE(Transfer.ErrorsReported());
}

// A transfer aborted while a reply was on its way: the next one must not take that reply for
// the answer to its own line clear.
TEST_F(OutOfStepTest, TransferAfterAnAbortWaitsForTheAbandonedReply) {
    for (int cell = 1; cell <= TCellTransfer::CellCount; ++cell)
        Instrument.Cells[cell] = std::to_string(cell) + ",x";
    AnswerInOrder(0);
    Host.OnProgress = [this](int position) {
        if (position == 5) {
            Host.OnProgress = nullptr;
            Loop.Post([this] { Link.Abort(); }, 0);
            BusyUntil = Loop.Now() + 500;  // cell 6's reply is slow
        }
    };
    Transfer.DownloadCells(Host);
    ASSERT_EQ(Host.Log, Lines{"Download aborted by user."});

    Host.Log.clear();
    Transfer.DownloadCells(Host);
    EXPECT_EQ(Host.Log, Lines{"Download to " + Host.Path + " complete."});
    EXPECT_TRUE(ReadFile(Host.Path).starts_with("1,x\r\n2,x\r\n"));
}

// ---- the status tables ------------------------------------------------------------------

// One reply to the second command of the loop (cell 2, or line 2 of "1,a" "2,b" "3,c") and
// the exact log line it must give. No reply: silence; Abort: silence and the user's Abort.
enum class TOutcome { Skipped, Error, Fatal };
struct StatusRow {
    std::optional<std::string> reply;
    std::string logLine;
    TOutcome outcome;
    bool abort = false;
};

void PrintTo(const StatusRow& row, std::ostream* out) {
    *out << ::testing::PrintToString(row.reply) << " -> " << row.logLine;
}

class StatusTableTest : public CellTransferTest, public ::testing::WithParamInterface<StatusRow> {
  protected:
    StatusTableTest() {
        Host.OnProgress = [this](int position) {
            if (position == 1 && GetParam().abort)
                Loop.Post([this] { Link.Abort(); }, 100);
        };
    }
};

using DownloadStatusTest = StatusTableTest;
using UploadStatusTest = StatusTableTest;

TEST_P(DownloadStatusTest, EachOutcomeLogsItsLineAndActsOnTheFile) {
    Instrument.Cells = {{1, "1,a"}, {3, "3,c"}};
    Instrument.Special["?B1/2\r\n"] = GetParam().reply;
    Transfer.DownloadCells(Host);

    switch (GetParam().outcome) {
        case TOutcome::Skipped:
            EXPECT_EQ(Host.Log, Lines{"Download to " + Host.Path + " complete."});
            break;
        case TOutcome::Error:
            EXPECT_EQ(Host.Log, (Lines{GetParam().logLine,
                                       "Download to " + Host.Path + " completed with errors."}));
            EXPECT_EQ(ReadFile(Host.Path), "1,a\r\n3,c\r\n");
            EXPECT_EQ(Host.Beeps, 0);
            break;
        case TOutcome::Fatal:
            EXPECT_EQ(Host.Log, Lines{GetParam().logLine});
            EXPECT_EQ(Host.Beeps, 1);
            EXPECT_EQ(Host.Progress, std::vector<int>{1}) << "no progress for a fatal outcome";
            EXPECT_TRUE(Dir.Entries().empty());
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, DownloadStatusTest,
    ::testing::Values(
        StatusRow{std::nullopt, "Download failed - no connection!", TOutcome::Fatal},
        StatusRow{"#garbled", "Download failed - unknown error... garbled", TOutcome::Fatal},
        StatusRow{std::nullopt, "Download aborted by user.", TOutcome::Fatal, true},
        StatusRow{"@ERROR cell not available", "", TOutcome::Skipped},
        StatusRow{"@ERROR=15", "Download error - read only variable... ERROR=15", TOutcome::Error},
        StatusRow{"@ERROR=16", "Download error - syntax error... ERROR=16", TOutcome::Error},
        StatusRow{"@ERROR=17", "Download error - device number out of range... ERROR=17",
                  TOutcome::Error},
        StatusRow{"@ERROR=19", "Download error - command not implemented... ERROR=19",
                  TOutcome::Error},
        StatusRow{"@ERROR invalid guage type",
                  "Download error - invalid gauge type... ERROR invalid guage type",
                  TOutcome::Error},
        StatusRow{"@ERROR invalid value", "Download error - invalid value... ERROR invalid value",
                  TOutcome::Error},
        StatusRow{"@ERROR bad value", "Download error - bad value... ERROR bad value",
                  TOutcome::Error},
        StatusRow{"@ERROR missing gauge ID",
                  "Download error - missing gauge ID... ERROR missing gauge ID", TOutcome::Error},
        StatusRow{"@ERROR too many digits",
                  "Download error - too many digits... ERROR too many digits", TOutcome::Error},
        StatusRow{"@ERROR cell ID missing",
                  "Download error - cell ID missing... ERROR cell ID missing", TOutcome::Error},
        StatusRow{"@ERROR something new", "Download error... ERROR something new", TOutcome::Error},
        // Line noise turned a byte into Ctrl-Z: stored, it would end every later upload of
        // the file there.
        StatusRow{"*2,a\x1a"
                  "b\tc",
                  "Download error - garbled reply... 2,a\\x1Ab\\x09c", TOutcome::Error}));

TEST_P(UploadStatusTest, EachOutcomeLogsItsLineQuotingTheFileLine) {
    Instrument.Cells = {{1, "1,probe"}};
    WriteFile(Host.Path, "1,a\r\n2,b\r\n3,c\r\n");
    Instrument.Special["=2,b\r\n"] = GetParam().reply;
    Transfer.UploadCells(Host);

    switch (GetParam().outcome) {
        case TOutcome::Skipped:
            ADD_FAILURE() << "the upload reports every error reply";
            break;
        case TOutcome::Error:
            EXPECT_EQ(Host.Log, (Lines{GetParam().logLine,
                                       "Upload of " + Host.Path + " completed with errors."}));
            EXPECT_EQ(Port.Commands().back(), "=3,c\r\n") << "the upload goes on";
            EXPECT_EQ(Host.Beeps, 0);
            break;
        case TOutcome::Fatal:
            EXPECT_EQ(Host.Log, (Lines{GetParam().logLine,
                                       "Upload of " + Host.Path + " stopped at line 2 of 3."}));
            EXPECT_EQ(Port.Commands().back(), "=2,b\r\n");
            EXPECT_EQ(Host.Beeps, 1);
            EXPECT_EQ(Host.Progress, std::vector<int>{1}) << "no progress for a fatal outcome";
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, UploadStatusTest,
    ::testing::Values(
        StatusRow{std::nullopt, "Upload failed - no connection!", TOutcome::Fatal},
        StatusRow{"#garbled", "Upload failed - unknown error... 2,b", TOutcome::Fatal},
        StatusRow{std::nullopt, "Upload aborted by user.", TOutcome::Fatal, true},
        StatusRow{"@ERROR=15", "Upload error - read only variable... 2,b", TOutcome::Error},
        StatusRow{"@ERROR=16", "Upload error - syntax error... 2,b", TOutcome::Error},
        StatusRow{"@ERROR=17", "Upload error - device number out of range... 2,b", TOutcome::Error},
        StatusRow{"@ERROR=19", "Upload error - command not implemented... 2,b", TOutcome::Error},
        StatusRow{"@ERROR invalid guage type", "Upload error - invalid gauge type... 2,b",
                  TOutcome::Error},
        StatusRow{"@ERROR invalid value", "Upload error - invalid value... 2,b", TOutcome::Error},
        StatusRow{"@ERROR bad value", "Upload error - bad value... 2,b", TOutcome::Error},
        StatusRow{"@ERROR missing gauge ID", "Upload error - missing gauge ID... 2,b",
                  TOutcome::Error},
        StatusRow{"@ERROR too many digits", "Upload error - too many digits... 2,b",
                  TOutcome::Error},
        StatusRow{"@ERROR cell ID missing", "Upload error - cell ID missing... 2,b",
                  TOutcome::Error},
        StatusRow{"@ERROR cell not available", "Upload error - cell not available... 2,b",
                  TOutcome::Error},
        StatusRow{"@ERROR something new", "Upload error... 2,b", TOutcome::Error}));

// ---- abort ------------------------------------------------------------------------------

// The user's Abort at a moment outside any cell's or line's own wait. An Abort used to end
// only the wait it came in: the next command's wait wiped it out and the transfer ran to its
// end, replacing the file or storing every line the user had just cancelled.
struct AbortMoment {
    const char* moment;
    bool upload;
    std::int64_t abortAtMs;
    Lines commands;
};

void PrintTo(const AbortMoment& row, std::ostream* out) {
    *out << row.moment;
}

class AbortTest : public CellTransferTest, public ::testing::WithParamInterface<AbortMoment> {};

TEST_P(AbortTest, NoCommandFollowsAndTheFileStaysAsItWas) {
    const AbortMoment& row = GetParam();
    Instrument.Cells = {{1, "1,probe"}};
    Instrument.Special["\r\n"] = std::nullopt;  // the line clear gets no answer
    std::string file;
    for (int line = 1; line <= 3 * 4096; ++line)
        file += std::to_string(line) + ",x\r\n";
    WriteFile(Host.Path, file);
    Loop.Post([this] { Link.Abort(); }, row.abortAtMs);
    if (row.upload) {
        Transfer.UploadCells(Host);
    } else {
        Transfer.DownloadCells(Host);
    }

    EXPECT_EQ(Port.Commands(), row.commands);
    EXPECT_EQ(Host.Log,
              Lines{row.upload ? "Upload aborted by user." : "Download aborted by user."});
    EXPECT_EQ(Host.Beeps, 1);
    EXPECT_EQ(Link.ReplyStatus(), rsAborted) << "what the command line's exit code reads";
    EXPECT_EQ(ReadFile(Host.Path), file);
    EXPECT_EQ(Dir.Entries(), Lines{"cells.nvf"});
    EXPECT_FALSE(Link.AbortLatched()) << "the next transfer starts afresh";
}

INSTANTIATE_TEST_SUITE_P(
    EveryMoment, AbortTest,
    ::testing::Values(AbortMoment{"download, during the line clear", false, 700, {"\r\n"}},
                      AbortMoment{
                          "download, while the line clear's reply is owed", false, 2700, {"\r\n"}},
                      AbortMoment{"upload, during the line clear", true, 700, {"\r\n"}},
                      AbortMoment{"upload, while counting the file's lines", true, 0, {}}));

}  // namespace
}  // namespace norvane::device
