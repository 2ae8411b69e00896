#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include "base/command_line_usage.h"
#include "session/port_settings_file.h"
#include "tests/support/temp_dir.h"

namespace norvane::cli {
namespace {

using Args = std::vector<std::string>;
using norvane::test::TTempDir;
using norvane::test::WriteFile;

TEST(CliOptionsTest, CommandFileAndLineOptions) {
    const TCliOptions o =
        ParseCliOptions({"upload", "cells.nvf", "--device", "/dev/ttyUSB0", "--baud=38400",
                         "--parity", "even", "--data-bits", "7", "--stop-bits", "2"});
    EXPECT_EQ(o.Command, TCommand::Upload);
    EXPECT_EQ(o.File, "cells.nvf");
    EXPECT_EQ(o.Device, "/dev/ttyUSB0");
    EXPECT_EQ(o.Baud, 38400);
    EXPECT_EQ(o.Parity, 2);
    EXPECT_EQ(o.DataBits, 7);
    EXPECT_EQ(o.StopBits, 2);
    EXPECT_TRUE(ParseCliOptions({"download", "x", "--help"}).ShowHelp);
    EXPECT_TRUE(ParseCliOptions({"--version"}).ShowVersion);

    const TCliOptions dashed = ParseCliOptions({"--trace", "t.trc", "download", "--", "-x.nvf"});
    EXPECT_EQ(dashed.File, "-x.nvf") << "-- ends the options";
    EXPECT_EQ(dashed.TraceFile, "t.trc");
    EXPECT_FALSE(dashed.LogFile);
    EXPECT_EQ(ParseCliOptions({"download", "--", "--help"}).File, "--help");

    EXPECT_TRUE(ParseCliOptions({"upload", "x", "--verify"}).Verify);
    EXPECT_EQ(ParseCliOptions({"verify", "x"}).Command, TCommand::Verify);
    const TCliOptions diff = ParseCliOptions({"diff", "a.nvf", "b.nvf"});
    EXPECT_EQ(diff.Command, TCommand::Diff);
    EXPECT_EQ(diff.File, "a.nvf");
    EXPECT_EQ(diff.SecondFile, "b.nvf");
}

TEST(CliOptionsTest, WrongCommandLinesSayWhatIsWrong) {
    for (const Args& args : {Args{},
                             Args{"download"},
                             Args{"copy", "x"},
                             Args{"download", "x", "y"},
                             Args{"download", "x", "--baud"},
                             Args{"download", "x", "--baud", "fast"},
                             Args{"download", "x", "--parity", "mark"},
                             Args{"download", "x", "--data-bits", "9"},
                             Args{"download", "x", "--port", "0"},
                             Args{"download", "x", "--port", "2", "--device", "/dev/ttyS0"},
                             Args{"download", "x", "--verbose"},
                             Args{"download", "-x.nvf"},
                             Args{"download", "x", "--trace", ""},
                             Args{"download", "x", "--", "y"},
                             Args{"upload", ""},
                             Args{"download", "x", "--device", ""},
                             Args{"download", "x", "--settings="},
                             Args{"ports", "--force"},
                             Args{"download", "x", "--verify"},
                             Args{"verify", "x", "--verify"},
                             Args{"diff", "a"},
                             Args{"diff", "a", "b", "--baud", "9600"},
                             Args{"diff", "a", ""}}) {
        EXPECT_THROW(ParseCliOptions(args), base::TUsageError) << ::testing::PrintToString(args);
    }
    try {
        ParseCliOptions({"download", "x", "--stop-bits", "3"});
    } catch (const base::TUsageError& e) {
        EXPECT_STREQ(e.what(), "--stop-bits takes 1|2, not '3'");
    }
}

TEST(CliOptionsTest, SettingsFileSuppliesWhatTheCommandLineLeavesOut) {
    TTempDir dir;
    WriteFile(dir / "Norvane.ini",
              "; kept by the desktop program\n[Other]\nComPort=9\n"
              "[ComPortSettings]\nComPort=2\nBaudRate=5\nParity=x1\nDataBits=0\nStopBits=1\n");
    const session::TPortSettingIndexes stored =
        session::LoadPortSettingIndexes(dir / "Norvane.ini");
    EXPECT_EQ(stored.ComPort, 2);
    EXPECT_EQ(stored.Parity, 0) << "not an integer counts as missing";
    const session::TLineSettings line =
        ResolveLineSettings(ParseCliOptions({"download", "x", "--baud", "1200"}), stored, "s.ini");
    EXPECT_EQ(line.Port, 3);
    EXPECT_EQ(line.Baud, 1200);
    EXPECT_EQ(line.Parity, 0);
    EXPECT_EQ(line.DataBits, 7);
    EXPECT_EQ(line.StopBits, 2);

    const session::TLineSettings defaults =
        ResolveLineSettings(ParseCliOptions({"download", "x"}),
                            session::LoadPortSettingIndexes(dir / "absent.ini"), "absent.ini");
    EXPECT_EQ(defaults.Port, 1);
    EXPECT_EQ(defaults.Baud, 9600);
    EXPECT_EQ(defaults.DataBits, 8);
    EXPECT_EQ(defaults.StopBits, 1);
}

TEST(CliOptionsTest, StoredIndexOutsideItsListFailsLikeTheDialog) {
    session::TPortSettingIndexes stored;
    stored.BaudRate = 6;
    try {
        ResolveLineSettings(ParseCliOptions({"download", "x"}), stored, "s.ini");
        FAIL() << "an index outside the list was accepted";
    } catch (const std::runtime_error& e) {
        // The dialog's own words, then where the index came from.
        EXPECT_STREQ(e.what(),
                     "'' is not a valid integer value\nin s.ini: [ComPortSettings] BaudRate=6");
    }
    EXPECT_EQ(
        ResolveLineSettings(ParseCliOptions({"download", "x", "--baud", "4800"}), stored, "s.ini")
            .Baud,
        4800)
        << "the command line wins";
    stored = {};
    stored.Parity = 7;
    EXPECT_EQ(ResolveLineSettings(ParseCliOptions({"download", "x"}), stored, "s.ini").Parity, 0);
}

}  // namespace
}  // namespace norvane::cli
