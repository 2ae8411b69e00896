// The dispatch log: its ring, its states and the log file.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/trace/dispatch_log.h"
#include "serial/trace/trace_log_format.h"
#include "tests/support/file_size_limit.h"
#include "trace_log_test_files.h"

namespace norvane::serial::testing {
namespace {

const std::string kFileHeader = "VEXA v3.03\r\nCompiler : " + CompilerDescription() +
                                "\r\nOperating System : " + OperatingSystemDescription() +
                                "\r\nTime      Type      SubType       Data      OtherData\r\n"
                                "--------  --------  ------------  --------  ---------\r\n";

class DispatchLogTest : public TDumpDirectoryTest {
  protected:
    void Add(TLogType type, TLogSubtype subtype, std::uint32_t data, std::string_view bytes = {}) {
        Log.AddLogEntry(type, subtype, data, Bytes(bytes));
    }

    std::string Dump(bool allHex = false, bool hex = true) {
        const std::string path = PathOf("VEXA.LOG");
        EXPECT_EQ(Log.WriteLogFile(path, false, allHex, hex), 0);
        return ReadFile(path);
    }

    // What the ring holds, oldest first, as "data:bytes"; empties the ring.
    std::vector<std::string> Drain() {
        std::vector<std::string> entries;
        while (const std::optional<TLogEntry> entry = Log.ReadOldestEntry()) {
            entries.push_back(std::to_string(entry->Header.Data) + ":" +
                              std::string(entry->Bytes.begin(), entry->Bytes.end()));
        }
        return entries;
    }

    std::uint32_t Now = 5000;
    TDispatchLog Log{[this] { return Now; }};
};

TEST_F(DispatchLogTest, WholeFile) {
    ASSERT_EQ(Log.StartLog(10000), 0);
    Now += 61234;
    Add(ltDispatch, lsReadCom, 2, "a\n");
    Now += 6;
    Add(ltTrigger, lsAvail, 1);
    Add(ltTrigger, lsData, 8);
    Now += 1;
    Add(ltTrigAllc, lsDataTrigger, 16, "\n");
    Add(ltTrgHdAlc, lsWindow, 0xDEADBEEF);
    Add(ltTrDatChg, lsAvailTrigger, 1);
    Add(ltDispatch, lsModemStatus, 0);
    Add(ltError, lsNone, 7);
    EXPECT_EQ(Dump(), kFileHeader +
                          "0061.234  Dispatch  ReadCom       00000002  a[0A]\r\n"
                          "0061.240  Trigger   Avail         00000001  \r\n"
                          "0061.240  Trigger   Data          00000008  \r\n"
                          "0061.241  TrigAllc  Data          00000010  [0A]\r\n"
                          "0061.241  TrgHdAlc  Window        deadbeef  \r\n"
                          "0061.241  TrDatChg  Avail         00000001  \r\n"
                          "0061.241  Dispatch  Modem status  00000000  \r\n"
                          "0061.241  Error                   00000007  \r\n");
    EXPECT_FALSE(Log.HasRing());
}

TEST_F(DispatchLogTest, TimesCountFromTheStartTime) {
    Now = 0xFFFFFF00;  // the clock wraps during the log
    Log.SetStartTime();
    ASSERT_EQ(Log.StartLog(1000), 0);
    Now += 1234;  // past 2^32
    Add(ltThread, lsStart, 0);
    EXPECT_EQ(Log.ReadOldestEntry()->Header.Time, 1234u);
}

TEST(LogTimeTest, SecondsWithThreeDecimals) {
    EXPECT_EQ(FormatLogTime(0), "0000.000");
    EXPECT_EQ(FormatLogTime(61234), "0061.234");
    EXPECT_EQ(FormatLogTime(9999999), "9999.999");
    // Past 10000 s the seconds grow a digit instead of shifting the decimal point.
    EXPECT_EQ(FormatLogTime(12345678), "12345.678");
    EXPECT_EQ(FormatLogTime(0xFFFFFFFF), "4294967.295");
}

// Data start in column 45; continuation lines are indented by 44 blanks.
TEST_F(DispatchLogTest, DataWrapUnderTheFirstByte) {
    ASSERT_EQ(Log.StartLog(10000), 0);
    Add(ltDispatch, lsWriteCom, 40, std::string(40, 'x'));
    Add(ltDispatch, lsWriteCom, 9, std::string(9, '\r'));
    const std::string prefix = "0000.000  Dispatch  WriteCom      ";
    const std::string indent(44, ' ');
    EXPECT_EQ(Dump(), kFileHeader + prefix + "00000028  " + std::string(33, 'x') + "\r\n" + indent +
                          std::string(7, 'x') + "\r\n" + prefix + "00000009  " +
                          "[0D][0D][0D][0D][0D][0D][0D][0D]\r\n" + indent + "[0D]\r\n");
}

TEST_F(DispatchLogTest, ByteStylesAndUserEntries) {
    ASSERT_EQ(Log.StartLog(10000), 0);
    Add(ltDispatch, lsReadCom, 3, "A \r");
    Add(ltUser, lsNone, 0, "A \r");
    const std::string read = "0000.000  Dispatch  ReadCom       00000003  ";
    const std::string user = "0000.000  User                    00000000  ";
    EXPECT_EQ(Dump(true, true), kFileHeader + read + "[41][20][0D]\r\n" + user + "A \r\r\n");

    ASSERT_EQ(Log.StartLog(10000), 0);
    Add(ltDispatch, lsReadCom, 3, "A \r");
    Add(ltUser, lsNone, 0, "A \r");
    EXPECT_EQ(Dump(false, false), kFileHeader + read + "A [13]\r\n" + user + "A [13]\r\n");
}

// Entries of 14 header bytes plus 6 data bytes in a ring of 50 bytes: two fit.
TEST_F(DispatchLogTest, RingDiscardsTheOldestEntries) {
    ASSERT_EQ(Log.StartLog(50), 0);
    Add(ltUser, lsNone, 1, "first.");
    Add(ltUser, lsNone, 2, "second");
    Add(ltUser, lsNone, 3, "third.");  // wraps round the end of the ring
    Add(ltUser, lsNone, 4, "fourth");
    EXPECT_EQ(Drain(), (std::vector<std::string>{"3:third.", "4:fourth"}));

    Add(ltUser, lsNone, 5, "fifth.");
    Add(ltUser, lsNone, 6, std::string(35, 'L'));  // 49 bytes: all else must go
    EXPECT_EQ(Drain(), (std::vector<std::string>{"6:" + std::string(35, 'L')}));
}

TEST_F(DispatchLogTest, RingRefusesAnEntryAsLargeAsItself) {
    ASSERT_EQ(Log.StartLog(50), 0);
    Add(ltUser, lsNone, 1, "kept");
    Add(ltUser, lsNone, 2, std::string(36, 'x'));  // 14 + 36 = 50
    Add(ltUser, lsNone, 3, std::string(1000, 'x'));
    EXPECT_EQ(Drain(), (std::vector<std::string>{"1:kept"}));

    ASSERT_EQ(Log.StartLog(10), 0);  // already there: only emptied, size stays
    Log.StopLog();
    ASSERT_EQ(Log.StartLog(10), 0);  // smaller than a header: records nothing
    Add(ltUser, lsNone, 1);
    EXPECT_TRUE(Drain().empty());
}

TEST_F(DispatchLogTest, StatesDecideWhatIsKept) {
    Add(ltUser, lsNone, 1);  // off
    Log.ResumeLog();
    EXPECT_FALSE(Log.IsLogging());
    EXPECT_EQ(Log.StartLog(TDispatchLog::kMaxLogSize + 1), -ecBadArgument);
    EXPECT_FALSE(Log.HasRing());

    ASSERT_EQ(Log.StartLog(1000), 0);
    Add(ltUser, lsNone, 2);
    Log.PauseLog();
    Add(ltUser, lsNone, 3);
    Log.ResumeLog();
    Add(ltUser, lsNone, 4);
    EXPECT_EQ(Drain(), (std::vector<std::string>{"2:", "4:"}));

    Add(ltUser, lsNone, 5);
    Log.ClearLog();
    EXPECT_TRUE(Log.IsLogging());
    Add(ltUser, lsNone, 6);
    ASSERT_EQ(Log.StartLog(1000), 0);  // a second start empties too
    Add(ltUser, lsNone, 7);
    EXPECT_EQ(Drain(), (std::vector<std::string>{"7:"}));
}

TEST_F(DispatchLogTest, EmptyLogWritesNoFileAndStops) {
    const std::string path = PathOf("VEXA.LOG");
    EXPECT_EQ(Log.WriteLogFile(path, false, false, true), 0);  // no ring
    ASSERT_EQ(Log.StartLog(1000), 0);
    EXPECT_EQ(Log.WriteLogFile(path, false, false, true), 0);
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(Log.HasRing());
}

TEST_F(DispatchLogTest, ReplaceAndAppend) {
    const std::string path = PathOf("VEXA.LOG");
    const std::string entry = "0000.000  Thread    Start         00000001  \r\n";
    WriteFile(path, "old content\r\n");
    ASSERT_EQ(Log.StartLog(1000), 0);
    Add(ltThread, lsStart, 1);
    ASSERT_EQ(Log.WriteLogFile(path, false, false, true), 0);
    EXPECT_EQ(ReadFile(path), kFileHeader + entry);

    ASSERT_EQ(Log.StartLog(1000), 0);
    Add(ltThread, lsStart, 1);
    ASSERT_EQ(Log.WriteLogFile(path, true, false, true), 0);
    EXPECT_EQ(ReadFile(path), kFileHeader + entry + kFileHeader + entry);
}

// After a failed open the entries stay, with recording off, for another attempt.
TEST_F(DispatchLogTest, FailedOpenKeepsTheEntries) {
    ASSERT_EQ(Log.StartLog(1000), 0);
    Add(ltThread, lsStart, 1);
    EXPECT_EQ(Log.WriteLogFile(PathOf("missing/VEXA.LOG"), false, false, true),
              ResultFromErrno(ENOENT, TIoDirection::Write));
    EXPECT_TRUE(Log.HasRing());
    EXPECT_FALSE(Log.IsLogging());
    Add(ltThread, lsExit, 2);  // not recorded

    const std::string path = PathOf("VEXA.LOG");
    ASSERT_EQ(Log.WriteLogFile(path, false, false, true), 0);
    EXPECT_EQ(ReadFile(path), kFileHeader + "0000.000  Thread    Start         00000001  \r\n");
}

TEST_F(DispatchLogTest, FailedWriteStopsTheLog) {
    ASSERT_EQ(Log.StartLog(1000), 0);
    Add(ltThread, lsStart, 1);
    const norvane::test::TFileSizeLimit fullDisk(100);
    EXPECT_EQ(Log.WriteLogFile(PathOf("full.log"), false, false, true),
              ResultFromErrno(EFBIG, TIoDirection::Write));
    EXPECT_FALSE(Log.HasRing());
}

TEST(LogHeaderTest, DescribesTheBuildAndTheKernel) {
    const std::string compiler = CompilerDescription();
    EXPECT_TRUE(compiler.starts_with("GCC ") || compiler.starts_with("Clang ")) << compiler;
    const std::string system = OperatingSystemDescription();
    EXPECT_TRUE(system.starts_with("Linux ")) << system;
    EXPECT_LE(system.size(), kMaxSystemDescriptionLength);
}

}  // namespace
}  // namespace norvane::serial::testing
