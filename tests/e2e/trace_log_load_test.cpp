// Trace and dispatch log under load: a full download through the real serial layer with
// both switched on and sizes so small that both rings wrap many times. The dumps must hold
// exactly the newest traffic, complete entries only, in the files' own formats.

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "device/cell_transfer.h"
#include "recording_host.h"
#include "serial/trace/trace_log_format.h"
#include "tests/e2e/session_on_line.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::test {
namespace {

using device::testing::TRecordingHost;

constexpr std::uint32_t kSmallTraceSize = 1000;  // entries
constexpr std::uint32_t kSmallLogSize = 3001;    // bytes; no multiple of anything
constexpr std::uint32_t kLogHeaderSize = 14;

struct TTraceEntry {
    char Kind;
    std::uint8_t Byte;
    bool operator==(const TTraceEntry&) const = default;
};

struct TLogEntry {
    std::string Type;
    std::string Subtype;
    std::string Data;
    std::string Bytes;
};

std::vector<std::string> DumpLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

// The bytes of "[XX]" tokens, as every byte is written with the all-hex option.
std::string HexTokens(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        EXPECT_EQ(text[i], '[') << text;
        EXPECT_EQ(text[i + 3], ']') << text;
        bytes.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
    }
    return bytes;
}

std::vector<TTraceEntry> ParseTrace(const std::string& text) {
    std::vector<TTraceEntry> entries;
    char kind = 0;
    for (std::string line : DumpLines(text)) {
        if (line.starts_with("Transmit: ")) {
            kind = 'T';
            line.erase(0, 10);
        } else if (line.starts_with("Receive: ")) {
            kind = 'R';
            line.erase(0, 9);
        }
        EXPECT_LE(line.size() + (kind == 'T' ? 10 : 9), 78u + 10u);
        for (const char byte : HexTokens(line)) {
            entries.push_back({kind, static_cast<std::uint8_t>(byte)});
        }
    }
    return entries;
}

std::vector<TLogEntry> ParseLog(const std::string& text) {
    const std::vector<std::string> lines = DumpLines(text);
    EXPECT_GE(lines.size(), 5u);
    EXPECT_EQ(lines.at(0), "VEXA v3.03");
    EXPECT_EQ(lines.at(3), "Time      Type      SubType       Data      OtherData");
    std::vector<TLogEntry> entries;
    auto trimmed = [](std::string field) { return field.erase(field.find_last_not_of(' ') + 1); };
    for (std::size_t i = 5; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.starts_with(std::string(44, ' '))) {
            entries.back().Bytes += HexTokens(line.substr(44));
            continue;
        }
        EXPECT_GE(line.size(), 44u) << line;
        entries.push_back({trimmed(line.substr(10, 8)), trimmed(line.substr(20, 12)),
                           line.substr(34, 8), HexTokens(line.substr(44))});
    }
    return entries;
}

// Every cell defined, each line naming its cell.
std::string FullTable() {
    std::string table;
    for (int cell = 1; cell <= 1899; ++cell) {
        table += std::to_string(cell) + ",gauge " + std::to_string(cell * 7) + "\r\n";
    }
    return table;
}

class TraceLogUnderLoad : public ::testing::Test {
  protected:
    // One full download with tracing and logging at the given sizes; the dumps go to
    // `name`.trc and `name`.log.
    void DownloadRecorded(const std::string& name, std::uint32_t traceSize, std::uint32_t logSize) {
        serial::TVexaComPort& port = Line.Session.ComPort();
        port.SetTraceSize(traceSize);
        port.SetLogSize(logSize);
        port.SetTraceName(Dir / (name + ".trc"));
        port.SetLogName(Dir / (name + ".log"));
        port.SetTracing(serial::tlOn);
        port.SetLogging(serial::tlOn);
        TRecordingHost host(Dir / "copy.nvf");
        Line.Session.Transfer().DownloadCells(host);
        ASSERT_EQ(host.Log,
                  std::vector<std::string>{"Download to " + (Dir / "copy.nvf") + " complete."});
        port.SetTracing(serial::tlDump);
        port.SetLogging(serial::tlDump);
    }

    TTempDir Dir;
    bool TableWritten = (WriteFile(Dir / "table.nvf", FullTable()), true);
    TSimProcess Sim{{"--cells", Dir / "table.nvf"}};
    TSessionOnLine Line{Sim.LinePath()};
};

TEST_F(TraceLogUnderLoad, WrappedDumpsHoldExactlyTheNewestTraffic) {
    serial::TVexaComPort& port = Line.Session.ComPort();
    port.SetTraceAllHex(true);
    port.SetLogAllHex(true);
    Line.Open();
    // The same download twice: once recorded whole, once in rings far too small for it.
    DownloadRecorded("full", 4'000'000, 4'000'000);
    DownloadRecorded("small", kSmallTraceSize, kSmallLogSize);

    const std::vector<TTraceEntry> full = ParseTrace(ReadFile(Dir / "full.trc"));
    const std::vector<TTraceEntry> small = ParseTrace(ReadFile(Dir / "small.trc"));
    ASSERT_GT(full.size(), 20 * kSmallTraceSize) << "the small trace must wrap many times";
    ASSERT_EQ(small.size(), kSmallTraceSize);
    EXPECT_TRUE(std::equal(small.begin(), small.end(), full.end() - kSmallTraceSize))
        << "the small trace is the last " << kSmallTraceSize << " entries of the whole";
    const std::string lastCommand = "?B1/1899\r\n";
    std::string lastSent;
    for (auto entry = full.end() - 40; entry != full.end(); ++entry) {
        if (entry->Kind == 'T') {
            lastSent.push_back(static_cast<char>(entry->Byte));
        }
    }
    EXPECT_EQ(lastSent, lastCommand);
    EXPECT_EQ(full.back().Kind, 'R') << "the last reply's bytes, as taken, close the trace";

    const std::vector<TLogEntry> log = ParseLog(ReadFile(Dir / "small.log"));
    ASSERT_FALSE(log.empty());
    std::uint32_t stored = 0;
    std::uint32_t largest = 0;
    std::vector<std::string> written;
    std::string read;
    for (const TLogEntry& entry : log) {
        const auto size = kLogHeaderSize + static_cast<std::uint32_t>(entry.Bytes.size());
        stored += size;
        largest = std::max(largest, size);
        if (entry.Type == "Dispatch" && entry.Subtype == "WriteCom") {
            written.push_back(entry.Bytes);
        } else if (entry.Type == "Dispatch" && entry.Subtype == "ReadCom" && !written.empty()) {
            read += entry.Bytes;
        }
    }
    EXPECT_LE(stored, kSmallLogSize);
    EXPECT_GT(stored, kSmallLogSize - largest) << "only as much dropped as the newest needed";
    // The commands in the log are the download's last ones, each once, in order, and the
    // replies read after the first of them are exactly theirs.
    ASSERT_GE(written.size(), 10u);
    const int firstCell = 1900 - static_cast<int>(written.size());
    std::string expectedReplies;
    for (std::size_t i = 0; i < written.size(); ++i) {
        const int cell = firstCell + static_cast<int>(i);
        EXPECT_EQ(written[i], "?B1/" + std::to_string(cell) + "\r\n");
        expectedReplies +=
            "*" + std::to_string(cell) + ",gauge " + std::to_string(cell * 7) + "\r\n";
    }
    EXPECT_EQ(read, expectedReplies);
    // The last reply's notifications close the log: its text before the line feed, then the
    // line feed trigger. The avail that offers the line feed alone is logged as it is
    // delivered, at the program's next turn of its event loop, after the dump.
    ASSERT_GE(log.size(), 2u);
    const auto last = log.end() - 2;
    EXPECT_EQ(last[0].Subtype + " " + last[0].Data, "Avail 00000012");
    EXPECT_EQ(last[1].Subtype, "Data");
}

}  // namespace
}  // namespace norvane::test
