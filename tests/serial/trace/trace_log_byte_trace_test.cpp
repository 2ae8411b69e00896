// The byte trace: its circular buffer, its states and the trace file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/trace/byte_trace.h"
#include "serial/trace/trace_log_format.h"
#include "tests/support/file_size_limit.h"
#include "trace_log_test_files.h"

namespace norvane::serial::testing {
namespace {

class ByteTraceTest : public TDumpDirectoryTest {
  protected:
    void Add(std::uint8_t kind, std::string_view bytes) {
        for (const char byte : bytes) {
            Trace.AppendTraceEntry(kind, static_cast<std::uint8_t>(byte));
        }
    }

    // Writes the trace to a fresh file and returns what it holds.
    std::string Dump(bool allHex = false, bool hex = true) {
        const std::string path = PathOf("VEXA.TRC");
        EXPECT_EQ(Trace.WriteTraceFile(path, false, allHex, hex), 0);
        return ReadFile(path);
    }

    TByteTrace Trace;
};

TEST_F(ByteTraceTest, FullBufferKeepsTheNewestEntries) {
    ASSERT_EQ(Trace.StartTrace(3), 0);
    Add(tkReceive, "abcd");
    EXPECT_EQ(Dump(), "Receive: bcd");
}

TEST_F(ByteTraceTest, ExactlyFullBufferStartsAtTheOldestEntry) {
    ASSERT_EQ(Trace.StartTrace(3), 0);
    Add(tkTransmit, "ab");
    Add(tkReceive, "c");
    EXPECT_EQ(Dump(), "Transmit: ab\r\n\r\nReceive: c");
}

// Every change of kind opens a section after a blank line; the last line stays open.
TEST_F(ByteTraceTest, WholeFileWithSections) {
    ASSERT_EQ(Trace.StartTrace(100), 0);
    Add(tkTransmit, "?B1/1\r\n");
    Add(tkReceive, "*A 1\n");
    Add('X', "!");
    Add(tkReceive, "@");
    EXPECT_EQ(Dump(),
              "Transmit: ?B1/1[0D][0A]\r\n"
              "\r\n"
              "Receive: *A[20]1[0A]\r\n"
              "\r\n"
              "Special-X: !\r\n"
              "\r\n"
              "Receive: @");
}

// The edges of the printable range and of the decimal widths.
TEST(RenderDumpByteTest, PrintableHexAndDecimal) {
    EXPECT_EQ(RenderDumpByte('!', false, true), "!");
    EXPECT_EQ(RenderDumpByte('~', false, true), "~");
    EXPECT_EQ(RenderDumpByte(' ', false, true), "[20]");
    EXPECT_EQ(RenderDumpByte(' ', false, false), " ");
    EXPECT_EQ(RenderDumpByte(0x7F, false, true), "[7F]");
    EXPECT_EQ(RenderDumpByte(0x7F, false, false), "[127]");
    EXPECT_EQ(RenderDumpByte(0x00, false, false), "[0]");
    EXPECT_EQ(RenderDumpByte(0x09, false, false), "[9]");
    EXPECT_EQ(RenderDumpByte(0x0A, false, false), "[10]");
    EXPECT_EQ(RenderDumpByte(0x1F, false, false), "[31]");
    EXPECT_EQ(RenderDumpByte(0xAB, false, true), "[AB]");
    EXPECT_EQ(RenderDumpByte(0xFF, false, false), "[255]");
    EXPECT_EQ(RenderDumpByte('a', true, false), "[61]");
}

TEST_F(ByteTraceTest, ByteStylesInTheFile) {
    ASSERT_EQ(Trace.StartTrace(100), 0);
    Add(tkReceive, "a \r");
    EXPECT_EQ(Dump(false, false), "Receive: a [13]");
    ASSERT_EQ(Trace.StartTrace(100), 0);
    Add(tkReceive, "a \r");
    EXPECT_EQ(Dump(true, false), "Receive: [61][20][0D]");
}

// The column counts byte texts only; a text that would pass column 78 starts the next line,
// and a new section starts counting again.
TEST_F(ByteTraceTest, WrapsBeforeColumn78) {
    ASSERT_EQ(Trace.StartTrace(1000), 0);
    Add(tkReceive, std::string(77, 'a') + "\r" + std::string(80, 'b'));
    Add(tkTransmit, std::string(78, 'c') + "d");
    const std::string expected = "Receive: " + std::string(77, 'a') + "\r\n[0D]" +
                                 std::string(74, 'b') + "\r\n" + std::string(6, 'b') +
                                 "\r\n\r\nTransmit: " + std::string(78, 'c') + "\r\nd";
    EXPECT_EQ(Dump(), expected);
}

TEST_F(ByteTraceTest, EmptyTraceWritesNoFileAndStops) {
    const std::string path = PathOf("VEXA.TRC");
    ASSERT_EQ(Trace.StartTrace(10), 0);
    EXPECT_EQ(Trace.WriteTraceFile(path, false, false, true), 0);
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(Trace.HasBuffer());
    EXPECT_FALSE(Trace.IsTracing());

    EXPECT_EQ(Trace.WriteTraceFile(path, false, false, true), 0);  // no buffer at all
    EXPECT_FALSE(Exists(path));
}

TEST_F(ByteTraceTest, SizeLimits) {
    EXPECT_EQ(Trace.StartTrace(TByteTrace::kMaxTraceSize + 1), -ecBadArgument);
    EXPECT_EQ(Trace.StartTrace(0), -ecBadArgument);
    EXPECT_FALSE(Trace.HasBuffer());
    EXPECT_FALSE(Trace.IsTracing());
    EXPECT_EQ(Trace.StartTrace(TByteTrace::kMaxTraceSize), 0);
    EXPECT_TRUE(Trace.IsTracing());
}

// A second start only empties the buffer; the size of the first one stays.
TEST_F(ByteTraceTest, RestartClearsAndKeepsTheSize) {
    ASSERT_EQ(Trace.StartTrace(3), 0);
    Add(tkReceive, "xy");
    ASSERT_EQ(Trace.StartTrace(100), 0);
    Add(tkReceive, "abcdef");
    EXPECT_EQ(Dump(), "Receive: def");
}

TEST_F(ByteTraceTest, PauseDropsEntriesAndResumeNeedsABuffer) {
    Trace.ResumeTrace();
    EXPECT_FALSE(Trace.IsTracing());
    Add(tkReceive, "lost");  // never started

    ASSERT_EQ(Trace.StartTrace(10), 0);
    Add(tkReceive, "a");
    Trace.PauseTrace();
    Add(tkReceive, "b");
    Trace.ResumeTrace();
    Add(tkReceive, "c");
    EXPECT_EQ(Trace.EntryCount(), 2u);

    Trace.ClearTrace();
    EXPECT_TRUE(Trace.IsTracing());
    Add(tkReceive, "d");
    EXPECT_EQ(Dump(), "Receive: d");
}

TEST_F(ByteTraceTest, ReplaceAndAppend) {
    const std::string path = PathOf("VEXA.TRC");
    WriteFile(path, "old content");
    ASSERT_EQ(Trace.StartTrace(10), 0);
    Add(tkReceive, "ab");
    ASSERT_EQ(Trace.WriteTraceFile(path, false, false, true), 0);
    EXPECT_EQ(ReadFile(path), "Receive: ab");

    // Appended like one more section, so that it does not run on from the last line.
    ASSERT_EQ(Trace.StartTrace(10), 0);
    Add(tkReceive, "cd");
    ASSERT_EQ(Trace.WriteTraceFile(path, true, false, true), 0);
    EXPECT_EQ(ReadFile(path), "Receive: ab\r\n\r\nReceive: cd");

    const std::string fresh = PathOf("new.trc");
    ASSERT_EQ(Trace.StartTrace(10), 0);
    Add(tkTransmit, "e");
    ASSERT_EQ(Trace.WriteTraceFile(fresh, true, false, true), 0);
    EXPECT_EQ(ReadFile(fresh), "Transmit: e");
}

// A named pipe once held the dump, and the program with it, until a reader came; one with a
// reader would have taken the user's recording. A hard link to another file of ours would
// have had that file overwritten.
TEST_F(ByteTraceTest, FailedOpenStopsTheTrace) {
    ASSERT_EQ(::mkfifo(PathOf("pipe.trc").c_str(), 0600), 0);
    const int reader = ::open(PathOf("pipe.trc").c_str(), O_RDONLY | O_NONBLOCK);
    WriteFile(PathOf("mine.txt"), "kept");
    ASSERT_EQ(::link(PathOf("mine.txt").c_str(), PathOf("linked.trc").c_str()), 0);
    const struct {
        const char* name;
        int error;
    } cases[] = {{"missing/VEXA.TRC", ENOENT},
                 {"pipe.trc", EACCES},
                 {"linked.trc", EACCES},
                 {"/dev/null", EACCES}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Trace.StartTrace(10), 0);
        Add(tkReceive, "a");
        EXPECT_EQ(Trace.WriteTraceFile(PathOf(c.name), false, false, true),
                  ResultFromErrno(c.error, TIoDirection::Write));
        EXPECT_FALSE(Trace.HasBuffer());
        EXPECT_FALSE(Trace.IsTracing());
    }
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0) << "nothing reached the pipe's reader";
    ::close(reader);
    EXPECT_EQ(ReadFile(PathOf("mine.txt")), "kept");
}

TEST_F(ByteTraceTest, FailedWriteStopsTheTrace) {
    ASSERT_EQ(Trace.StartTrace(2000), 0);
    Add(tkReceive, std::string(2000, '\x01'));  // more than one write buffer
    const norvane::test::TFileSizeLimit fullDisk(100);
    EXPECT_EQ(Trace.WriteTraceFile(PathOf("full.trc"), false, false, true),
              ResultFromErrno(EFBIG, TIoDirection::Write));
    EXPECT_FALSE(Trace.HasBuffer());
}

}  // namespace
}  // namespace norvane::serial::testing
