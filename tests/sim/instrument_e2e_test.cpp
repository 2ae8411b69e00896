// The real norvane-instrument on a real pseudo-terminal, driven as the program will drive it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/sim/line_client.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using TArgs = std::vector<std::string>;

// Long enough that a reply which was going to come would have; only used to assert absence.
constexpr auto kSilence = 300ms;

const std::string kDemoCells = std::string(NORVANE_SOURCE_DIR) + "/sim/demo-cells.nvf";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string WithoutCr(std::string bytes) {
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
    return bytes;
}

TEST(InstrumentE2e, AnswersQueriesAndStoresAndRoundTripsADefinition) {
    TSimProcess sim({"--cells", kDemoCells});
    TLineClient line(sim.LinePath());
    EXPECT_EQ(line.Ask(""), "*");
    EXPECT_EQ(line.Ask("?B1/5"), "*5,VOLT,0,10,V");
    EXPECT_EQ(line.Ask("?B1/4"), "@ERROR cell not available");
    EXPECT_EQ(line.Ask("?B1/1900"), "@ERROR cell not available");
    EXPECT_EQ(line.Ask("=7,TC-S,0,1600,degC"), "*");
    EXPECT_EQ(line.Ask("?B1/7"), "*7,TC-S,0,1600,degC");
    EXPECT_EQ(line.Ask("=1900,X"), "@ERROR=17");
    EXPECT_EQ(line.Ask("=TC-S"), "@ERROR cell ID missing");
    EXPECT_EQ(line.Ask("HELLO"), "@ERROR=16");
}

TEST(InstrumentE2e, ClientsMayComeAndGo) {
    TSimProcess sim({"--cells", kDemoCells});
    {
        TLineClient first(sim.LinePath());
        EXPECT_EQ(first.Ask("=7,KEPT"), "*");
    }
    TLineClient second(sim.LinePath());
    EXPECT_EQ(second.Ask("?B1/7"), "*7,KEPT");
}

TEST(InstrumentE2e, SilentCellStaysSilentAndTheNextCommandIsAnswered) {
    TSimProcess sim({"--cells", kDemoCells, "--silent-cells", "3"});
    TLineClient line(sim.LinePath());
    line.Send("?B1/3\r\n");
    EXPECT_EQ(line.ReadLine(kSilence), std::nullopt);
    EXPECT_EQ(line.Ask("?B1/1"), "*1,TC-K,-200,1370,degC");
}

TEST(InstrumentE2e, FaultsFromTheCommandLineReachTheWire) {
    TSimProcess sim({"--cells", kDemoCells, "--garbage-cells", "1", "--error-cells", "2",
                     "@ERROR=15", "--reject-store", "^8,", "@ERROR bad value", "--line-clear-reply",
                     "none"});
    TLineClient line(sim.LinePath());
    line.Send("\r\n");
    EXPECT_EQ(line.ReadLine(kSilence), std::nullopt);
    EXPECT_EQ(line.Ask("?B1/1"), "#garbled");
    EXPECT_EQ(line.Ask("?B1/2"), "@ERROR=15");
    EXPECT_EQ(line.Ask("=8,NEW"), "@ERROR bad value");
    EXPECT_EQ(line.Ask("?B1/8"), "*8,CURR,4,20,mA");
}

TEST(InstrumentE2e, FragmentedPacedReplyWithStrayCrsIsStillOneLine) {
    TSimProcess sim({"--cells", kDemoCells, "--fragment-bytes", "3", "--fragment-pause-ms", "2",
                     "--baud", "115200", "--think-ms", "1", "--stray-cr", "all"});
    TLineClient line(sim.LinePath());
    line.Send("?B1/5\r\n");
    const std::string expected = "*5,VOLT,0,10,V\n";
    // Three stray CRs and the CR of the line end.
    const std::string raw = line.ReadRaw(expected.size() + 4);
    EXPECT_EQ(WithoutCr(raw), expected);
    ASSERT_FALSE(raw.empty());
    EXPECT_EQ(raw.front(), '\r');
    EXPECT_EQ(raw.back(), '\r') << "a CR after the LF";
    EXPECT_EQ(line.Ask("?B1/8"), "*8,CURR,4,20,mA");
}

TEST(InstrumentE2e, PreambleArrivesBeforeAnything) {
    TSimProcess sim({"--preamble", "BOOT 1.0"});
    TLineClient line(sim.LinePath());
    EXPECT_EQ(line.Ask(""), "BOOT 1.0*") << "no LF of its own: it prefixes the first reply";
}

TEST(InstrumentE2e, PreambleOnFirstByteWaitsForTheComputer) {
    TSimProcess sim({"--preamble", "ready\\r\\n", "--preamble-on", "first-byte"});
    TLineClient line(sim.LinePath());
    EXPECT_EQ(line.ReadRawFor(kSilence), "");
    line.Send("\r\n");
    EXPECT_EQ(line.ReadLine(), "ready");
    EXPECT_EQ(line.ReadLine(), "*");
}

TEST(InstrumentE2e, JournalListsEveryCommandWithoutCrLf) {
    TTempDir dir;
    const std::string journal = dir / "journal.txt";
    TSimProcess sim({"--journal", journal, "--silent-cells", "9"});
    TLineClient line(sim.LinePath());
    line.Send("\r\n?B1/9\r\n");
    line.Send("=5,A\r\n\r?B1\r/5\n");
    EXPECT_EQ(line.ReadLine(), "*");
    EXPECT_EQ(line.ReadLine(), "*");
    EXPECT_EQ(line.ReadLine(), "*5,A");
    EXPECT_EQ(ReadFile(journal), "\n?B1/9\n=5,A\n?B1/5\n");
}

TEST(InstrumentE2e, FloodAndDelayHitExactlyTheCommandTheyName) {
    TSimProcess sim({"--cells", kDemoCells, "--flood-at", "2", "5000", "--delay-at", "3", "400"});
    TLineClient line(sim.LinePath());
    EXPECT_EQ(line.Ask(""), "*");
    const std::optional<std::string> flooded = line.Ask("?B1/5");
    ASSERT_TRUE(flooded);
    EXPECT_EQ(flooded->size(), 5000u + std::string("*5,VOLT,0,10,V").size());
    EXPECT_TRUE(flooded->starts_with("ABCDEFGHIJKLMNOPQRSTUVWXYZABC"));
    EXPECT_TRUE(flooded->ends_with("*5,VOLT,0,10,V"));
    line.Send("?B1/8\r\n");
    EXPECT_EQ(line.ReadLine(200ms), std::nullopt) << "the third reply is held back";
    EXPECT_EQ(line.ReadLine(), "*8,CURR,4,20,mA");
    EXPECT_EQ(line.Ask("?B1/5"), "*5,VOLT,0,10,V") << "the fourth comes at once again";
}

TEST(InstrumentE2e, HangUpAfterAnswersThatManyCommandsAndClosesTheLineOnTheNext) {
    TTempDir dir;
    TSimProcess sim({"--cells", kDemoCells, "--hang-up-after", "2", "--journal", dir / "j"});
    TLineClient line(sim.LinePath());
    EXPECT_EQ(line.Ask(""), "*");
    EXPECT_EQ(line.Ask("?B1/5"), "*5,VOLT,0,10,V");
    line.Send("?B1/8\r\n");
    EXPECT_EQ(line.ReadLine(kSilence), std::nullopt);
    // The simulator ends by itself; Stop() only reaps it.
    EXPECT_EQ(sim.Stop().ExitCode, 0) << "a planned hang-up is no failure";
    EXPECT_THROW(line.Send("?B1/8\r\n"), std::runtime_error) << "nobody is at the other end";
    EXPECT_EQ(ReadFile(dir / "j"), "\n?B1/5\n");
}

TEST(InstrumentE2e, SavesTheTableInCellOrderOnSigterm) {
    TTempDir dir;
    const std::string saved = dir / "saved.nvf";
    TSimProcess sim({"--cells", kDemoCells, "--save", saved});
    {
        TLineClient line(sim.LinePath());
        ASSERT_EQ(line.Ask("=4,TC-E,0,900,degC"), "*");
        ASSERT_EQ(line.Ask("=1,REPLACED"), "*");
    }
    const TSimExit exit = sim.Stop();
    EXPECT_EQ(exit.ExitCode, 0);
    std::string expected = ReadFile(kDemoCells);
    expected.replace(0, expected.find("\r\n"), "1,REPLACED");
    expected.insert(expected.find("5,VOLT"), "4,TC-E,0,900,degC\r\n");
    EXPECT_EQ(ReadFile(saved), expected);
}

TEST(InstrumentE2e, StopsPromptlyEvenWhileThinking) {
    TSimProcess sim({"--think-ms", "600000"});
    TLineClient line(sim.LinePath());
    line.Send("\r\n");
    // A hang guard only: the ten-minute think time must not hold the stop up.
    EXPECT_EQ(sim.Stop(10s).ExitCode, 0);
}

TEST(InstrumentE2e, LinkPointsAtTheLineWhileRunningAndIsRemovedAfter) {
    TTempDir dir;
    const std::string link = dir / "instrument";
    fs::create_symlink("/nonexistent/stale", link);
    {
        TSimProcess sim({"--link", link});
        ASSERT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), sim.LinePath());
        TLineClient line(link);
        EXPECT_EQ(line.Ask(""), "*");
        EXPECT_EQ(sim.Stop().ExitCode, 0);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(InstrumentE2e, RefusesToReplaceAFileWithTheLink) {
    TTempDir dir;
    const std::string path = dir / "precious.txt";
    std::ofstream(path) << "keep me";
    const TSimExit exit = RunSimulatorToExit({"--link", path});
    EXPECT_EQ(exit.ExitCode, 1);
    EXPECT_NE(exit.ErrorText.find("refusing to replace " + path), std::string::npos)
        << exit.ErrorText;
    EXPECT_EQ(ReadFile(path), "keep me");
}

TEST(InstrumentE2e, ExitCodesTellUsageErrorsFromFailures) {
    const TSimExit usage = RunSimulatorToExit({"--baud", "fast"});
    EXPECT_EQ(usage.ExitCode, 2);
    EXPECT_NE(usage.ErrorText.find("--baud"), std::string::npos) << usage.ErrorText;

    const TSimExit missingCells = RunSimulatorToExit({"--cells", "/nonexistent/cells.nvf"});
    EXPECT_EQ(missingCells.ExitCode, 1);
    EXPECT_NE(missingCells.ErrorText.find("No such file or directory"), std::string::npos)
        << missingCells.ErrorText;

    const TSimExit help = RunSimulatorToExit({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.OutputText.find("--silent-cells"), std::string::npos);
}

}  // namespace
}  // namespace norvane::test
