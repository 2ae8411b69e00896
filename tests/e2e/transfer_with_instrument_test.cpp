// Download and upload over a real terminal line with the instrument simulator on the other
// end: the conversation, the cell file and the simulator have to agree byte for byte.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "device/cell_transfer.h"
#include "device/instrument_link.h"
#include "pty_port.h"
#include "recording_host.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::test {
namespace {

using device::TCellTransfer;
using device::TInstrumentLink;
using device::testing::TRecordingHost;
using norvane::test::ReadFile;
using norvane::test::TTempDir;
using norvane::test::WriteFile;
using Lines = std::vector<std::string>;

const std::string kTable = "1,TC-K,0,100\r\n5,PT100,-50,250\r\n1899,last cell\r\n";

// One program side: the port on the simulator's line, the link and the transfers.
class TComputerSide {
  public:
    explicit TComputerSide(const std::string& line) : Port(line) {
        Port.Connect(Link);
        Link.AddLineTrigger();
    }
    TPtyPort Port;
    TInstrumentLink Link{Port, Port};
    TCellTransfer Transfer{Link};
};

class TransferWithInstrumentTest : public ::testing::Test {
  protected:
    TransferWithInstrumentTest() { WriteFile(Dir / "table.nvf", kTable); }

    std::vector<std::string> SimArgs(std::vector<std::string> extra) {
        std::vector<std::string> args{"--cells", Dir / "table.nvf", "--journal", Dir / "journal"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    // The simulator's journal: one received command a line, LF-terminated.
    Lines Journal() {
        Lines commands;
        std::istringstream journal(ReadFile(Dir / "journal"));
        for (std::string command; std::getline(journal, command);)
            commands.push_back(command);
        return commands;
    }

    TTempDir Dir;
};

TEST_F(TransferWithInstrumentTest, DownloadCopiesTheTableExactly) {
    TSimProcess sim(SimArgs({"--error-cells", "7", "@ERROR bad value"}));
    TComputerSide computer(sim.LinePath());
    TRecordingHost host(Dir / "copy.nvf");
    computer.Transfer.DownloadCells(host);

    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), kTable);
    EXPECT_EQ(host.Log, (Lines{"Download error - bad value... ERROR bad value",
                               "Download to " + host.Path + " completed with errors."}));
    const Lines journal = Journal();
    ASSERT_EQ(journal.size(), 1901u);
    EXPECT_EQ(journal[0], "");
    EXPECT_EQ(journal[1], "?B1/1");
    EXPECT_EQ(journal[1900], "?B1/1899");
}

TEST_F(TransferWithInstrumentTest, UploadedFileComesBackByDownload) {
    const std::string upload = "2,new,1,2\r\n9,other\r\nno cell id\r\n";
    WriteFile(Dir / "upload.nvf", upload);
    TSimProcess sim(SimArgs({"--save", Dir / "saved.nvf"}));
    TComputerSide computer(sim.LinePath());

    TRecordingHost up(Dir / "upload.nvf");
    computer.Transfer.UploadCells(up);
    EXPECT_EQ(up.Log, (Lines{"Upload error - cell ID missing... no cell id",
                             "Upload of " + up.Path + " completed with errors."}));
    EXPECT_EQ(up.Progress, (std::vector<int>{1, 2, 3}));

    TRecordingHost down(Dir / "download.nvf");
    computer.Transfer.DownloadCells(down);
    const std::string merged =
        "1,TC-K,0,100\r\n2,new,1,2\r\n5,PT100,-50,250\r\n9,other\r\n1899,last cell\r\n";
    EXPECT_EQ(ReadFile(Dir / "download.nvf"), merged);
    sim.Stop();
    EXPECT_EQ(ReadFile(Dir / "saved.nvf"), merged);
}

TEST_F(TransferWithInstrumentTest, SlowFragmentedRepliesWithStrayCarriageReturnsStillAgree) {
    TSimProcess sim(SimArgs({"--fragment-bytes", "10", "--fragment-pause-ms", "1", "--stray-cr",
                             "all", "--preamble", "noise"}));
    TComputerSide computer(sim.LinePath());
    // The preamble prefixes the line clear's answer, whose outcome nobody examines.
    TRecordingHost host(Dir / "copy.nvf");
    computer.Transfer.DownloadCells(host);
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), kTable);
    EXPECT_EQ(host.Log, Lines{"Download to " + host.Path + " complete."});
}

TEST_F(TransferWithInstrumentTest, SilentInstrumentEndsTheDownloadAndKeepsTheOldFile) {
    WriteFile(Dir / "copy.nvf", "last month\r\n");
    TSimProcess sim(SimArgs({"--silent-cells", "1", "--line-clear-reply", "none"}));
    TComputerSide computer(sim.LinePath());
    TRecordingHost host(Dir / "copy.nvf");
    computer.Transfer.DownloadCells(host);

    EXPECT_EQ(host.Log, Lines{"Download failed - no connection!"});
    EXPECT_EQ(host.Beeps, 1);
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), "last month\r\n");
    EXPECT_EQ(Journal(), (Lines{"", "?B1/1"}));
}

TEST_F(TransferWithInstrumentTest, GarbledReplyStopsTheUploadWhereItHappened) {
    WriteFile(Dir / "upload.nvf", "3,a\r\n4,b\r\n5,c\r\n");
    TSimProcess sim(SimArgs({"--garbage-cells", "4"}));
    TComputerSide computer(sim.LinePath());
    TRecordingHost host(Dir / "upload.nvf");
    computer.Transfer.UploadCells(host);

    EXPECT_EQ(host.Log, (Lines{"Upload failed - unknown error... 4,b",
                               "Upload of " + (Dir / "upload.nvf") + " stopped at line 2 of 3."}));
    EXPECT_EQ(Journal(), (Lines{"", "?B1/1", "=3,a", "=4,b"}));
}

}  // namespace
}  // namespace norvane::test
