#include "sim/options.h"

#include <gtest/gtest.h>

#include "base/command_line_usage.h"
#include "sim/text_escapes.h"

namespace norvane::sim {
namespace {

using TArgs = std::vector<std::string>;

// The reply a faulty cell gives; fails the test if the cell has no fault.
TReply ReplyOfFaultyCell(const TOptions& options, int cell) {
    const auto fault = options.Faults.CellFault(cell);
    EXPECT_TRUE(fault) << "cell " << cell << " has no fault";
    return fault ? fault->Reply : TReply("(no fault)");
}

TEST(Options, NoArgumentsGiveAHealthyInstrumentOnANewPseudoTerminal) {
    const TOptions options = ParseOptions({});
    EXPECT_FALSE(options.ShowHelp);
    EXPECT_FALSE(options.DevicePath);
    EXPECT_FALSE(options.CellsFile);
    EXPECT_EQ(options.Faults.LineClearReply(), "*");
    EXPECT_FALSE(options.Faults.CellFault(1));
    EXPECT_EQ(options.Delivery.Baud, 0u);
    EXPECT_FALSE(options.Delivery.StrayCr.Any());
    EXPECT_TRUE(options.Preamble.Text.empty());
}

TEST(Options, FilesAndPathsAreTaken) {
    const TOptions options = ParseOptions({"--cells", "in.nvf", "--save=out.nvf", "--journal",
                                           "j.txt", "--link", "/tmp/l", "--device", "/dev/ttyS1"});
    EXPECT_EQ(options.CellsFile, "in.nvf");
    EXPECT_EQ(options.SaveFile, "out.nvf");
    EXPECT_EQ(options.JournalFile, "j.txt");
    EXPECT_EQ(options.LinkPath, "/tmp/l");
    EXPECT_EQ(options.DevicePath, "/dev/ttyS1");
}

TEST(Options, CellFaultsApplyToEveryListedCellAndTheLastOptionWins) {
    const TOptions options = ParseOptions({"--silent-cells", "3,10-12", "--garbage-cells", "4",
                                           "--error-cells", "12,1899", "@ERROR=15"});
    EXPECT_EQ(ReplyOfFaultyCell(options, 3), std::nullopt);
    EXPECT_EQ(ReplyOfFaultyCell(options, 11), std::nullopt);
    EXPECT_EQ(ReplyOfFaultyCell(options, 4), "#garbled");
    EXPECT_EQ(ReplyOfFaultyCell(options, 12), "@ERROR=15");
    EXPECT_EQ(ReplyOfFaultyCell(options, 1899), "@ERROR=15");
    EXPECT_FALSE(options.Faults.CellFault(9));
}

TEST(Options, StoreRejectionsKeepPatternAndReply) {
    const TOptions options =
        ParseOptions({"--reject-store", "^5,", "@ERROR bad value", "--reject-store=X", "#no"});
    EXPECT_EQ(options.Faults.StoreRejectionReply("5,TC-K"), "@ERROR bad value");
    EXPECT_EQ(options.Faults.StoreRejectionReply("6,X"), "#no");
    EXPECT_EQ(options.Faults.StoreRejectionReply("6,TC-K"), std::nullopt);
}

TEST(Options, LineClearReplyChoices) {
    EXPECT_EQ(ParseOptions({"--line-clear-reply", "none"}).Faults.LineClearReply(), std::nullopt);
    EXPECT_EQ(ParseOptions({"--line-clear-reply", "star"}).Faults.LineClearReply(), "*");
    EXPECT_EQ(ParseOptions({"--line-clear-reply", "@ERROR=16"}).Faults.LineClearReply(),
              "@ERROR=16");
}

TEST(Options, DeliverySettings) {
    const TOptions options =
        ParseOptions({"--think-ms", "20", "--baud", "9600", "--fragment-bytes", "2",
                      "--fragment-pause-ms", "5", "--stray-cr", "before,after"});
    EXPECT_EQ(options.Delivery.ThinkTime.count(), 20);
    EXPECT_EQ(options.Delivery.Baud, 9600u);
    EXPECT_EQ(options.Delivery.FragmentBytes, 2u);
    EXPECT_EQ(options.Delivery.FragmentPause.count(), 5);
    EXPECT_TRUE(options.Delivery.StrayCr.BeforeFirst);
    EXPECT_FALSE(options.Delivery.StrayCr.InMiddle);
    EXPECT_TRUE(options.Delivery.StrayCr.AfterLf);
    const TStrayCr all = ParseOptions({"--stray-cr", "all"}).Delivery.StrayCr;
    EXPECT_TRUE(all.BeforeFirst && all.InMiddle && all.AfterLf);
}

TEST(Options, TextsTakeEscapes) {
    const TOptions options = ParseOptions({"--preamble", "boot\\r\\nok\\x1a", "--preamble-on",
                                           "first-byte", "--error-cells", "2", "@E\\\\"});
    EXPECT_EQ(options.Preamble.Text, "boot\r\nok\x1a");
    EXPECT_EQ(options.Preamble.Moment, TPreambleMoment::OnFirstByte);
    EXPECT_EQ(ReplyOfFaultyCell(options, 2), "@E\\");
}

// A missing value is fine here: only "unknown option" means the parser lacks it.
bool ParserKnows(const std::string& option) {
    try {
        ParseOptions({option});
    } catch (const base::TUsageError& e) {
        return std::string(e.what()).find("unknown option") == std::string::npos;
    }
    return true;
}

TEST(Options, HelpIsRecognisedAndEveryOptionItNamesIsParsed) {
    EXPECT_TRUE(ParseOptions({"--help"}).ShowHelp);
    EXPECT_TRUE(ParseOptions({"-h"}).ShowHelp);
    EXPECT_TRUE(ParseOptions({"--version"}).ShowVersion);
    const std::string help = UsageText();
    for (const char* option : {"--cells",          "--save",
                               "--journal",        "--link",
                               "--device",         "--silent-cells",
                               "--garbage-cells",  "--error-cells",
                               "--reject-store",   "--line-clear-reply",
                               "--think-ms",       "--baud",
                               "--fragment-bytes", "--fragment-pause-ms",
                               "--stray-cr",       "--preamble",
                               "--preamble-on",    "--random-replies",
                               "--flood-at",       "--delay-at",
                               "--hang-up-after"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
        EXPECT_TRUE(ParserKnows(option)) << option;
    }
}

TEST(Options, BadCommandLinesAreUsageErrors) {
    const std::vector<TArgs> bad = {
        {"--no-such-option"},
        {"stray"},
        {"--cells"},
        {"--error-cells", "5"},
        {"--help=yes"},
        {"--silent-cells", "0"},
        {"--silent-cells", "1900"},
        {"--silent-cells", "7-3"},
        {"--silent-cells", "1,,2"},
        {"--silent-cells", ""},
        {"--garbage-cells", "x"},
        {"--reject-store", "(", "@ERROR=16"},
        {"--line-clear-reply", "bad\\q"},
        {"--think-ms", "-1"},
        {"--baud", "0"},
        {"--fragment-bytes", "0"},
        {"--fragment-pause-ms", "5"},
        {"--stray-cr", "sideways"},
        {"--preamble-on", "later", "--preamble", "x"},
        {"--preamble-on", "first-byte"},
        {"--preamble", "\\x4"},
        {"--random-replies", "-1"},
        {"--flood-at", "0", "100"},
        {"--flood-at", "3", "0"},
        {"--flood-at", "3"},
        {"--delay-at", "2", "soon"},
        {"--hang-up-after", "0"},
    };
    for (const TArgs& args : bad) {
        EXPECT_THROW(ParseOptions(args), base::TUsageError) << ::testing::PrintToString(args);
    }
}

TEST(Options, IncidentsNameTheirCommandAndTheRandomSeedIsKept) {
    const TOptions options =
        ParseOptions({"--flood-at", "3", "100000", "--delay-at", "1", "2001", "--hang-up-after",
                      "50", "--random-replies", "4294967295"});
    const TLineIncidents& incidents = options.Delivery.Incidents;
    EXPECT_EQ(incidents.FloodAt, 3u);
    EXPECT_EQ(incidents.FloodBytes, 100000u);
    EXPECT_EQ(incidents.DelayAt, 1u);
    EXPECT_EQ(incidents.Delay.count(), 2001);
    EXPECT_EQ(incidents.HangUpAfter, 50u);
    EXPECT_EQ(options.Faults.RandomSeed(), 4294967295u);
    const TLineIncidents none = ParseOptions({}).Delivery.Incidents;
    EXPECT_EQ(none.FloodAt + none.DelayAt + none.HangUpAfter, 0u);
    EXPECT_FALSE(ParseOptions({}).Faults.RandomSeed());
}

TEST(TextEscapes, KnownEscapesBecomeBytesAndOthersAreRefused) {
    EXPECT_EQ(UnescapeText("a\\rb\\nc\\td\\\\e\\x41\\x7e"), "a\rb\nc\td\\eA~");
    EXPECT_EQ(UnescapeText("no escapes"), "no escapes");
    for (const char* bad : {"\\", "\\q", "\\x", "\\x4", "\\xg0"}) {
        EXPECT_THROW(UnescapeText(bad), std::invalid_argument) << bad;
    }
}

}  // namespace
}  // namespace norvane::sim
