#pragma once
// TDispatchLog: time-stamped entries for what a dispatcher does (device reads and writes,
// notifications, trigger and handler changes), kept in a byte ring so that the newest
// history survives, and written to a text file on request.
//
// States: off (no ring) -> on (StartLog) <-> paused (PauseLog / ResumeLog) -> off again when
// the log is stopped or written. ClearLog empties the ring and leaves the state as it is.
//
// Not thread-safe: the owner serialises every call (TTraceLogRecorder holds its mutex).
//
// The file, lines ending in CR LF:
//   VEXA v3.03
//   Compiler : <CompilerDescription()>
//   Operating System : <OperatingSystemDescription()>
//   <column headings, texts 15501 and 15502 of the error string table>
// then one line per entry, oldest first: time (FormatLogTime), type name, subtype name and
// data word laid out as "%8s  %-8s  %-12s  %08.8x  ", followed by the entry's bytes from
// column 45 on. The bytes are written as RenderDumpByte writes them, except that the
// bytes of ltUser entries stay plain characters under allHex. Byte texts that would pass
// column 78 go on a continuation line indented by 44 blanks, under the first byte.
// The names are texts of the error string table (ecLogKindBase + type, ecLogSubKindBase +
// subtype), so the serial layer must be initialised when a log is written.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "serial/trace/dispatch_recorder.h"

namespace norvane::serial {

// Milliseconds from some fixed point, wrapping at 2^32. Log times are differences of two
// readings, so the wrap does not matter for spans below 49 days.
using TMillisecondClock = std::function<std::uint32_t()>;

// The monotonic clock of the system, in milliseconds.
std::uint32_t SteadyMilliseconds();

// The fixed part of a log entry.
struct TLogEntryHeader {
    std::uint8_t Type = ltNoEvent;
    std::uint8_t Subtype = lsNone;
    std::uint32_t Time = 0;    // milliseconds since the log's start time
    std::uint32_t Data = 0;    // the count, handle or window the entry is about
    std::uint32_t Length = 0;  // number of data bytes that follow
};

struct TLogEntry {
    TLogEntryHeader Header;
    std::vector<std::uint8_t> Bytes;
};

// The ring a log keeps its entries in: each entry a kHeaderSize-byte header and its data
// bytes, back to back, wrapping at the end of the ring.
class TLogRing {
  public:
    // type, subtype, then time, data and length as 32-bit little-endian words.
    static constexpr std::uint32_t kHeaderSize = 14;

    // Throws std::bad_alloc when the ring cannot be had.
    explicit TLogRing(std::uint32_t size) : Bytes_(size), Free_(size) {}

    // Stores an entry, discarding the oldest entries until there is room. An entry whose
    // header and data together are at least the ring's size is refused (false) and nothing
    // changes. header.Length is taken from `data`.
    bool Store(TLogEntryHeader header, std::span<const std::uint8_t> data);

    // Removes and returns the oldest entry; nullopt when the ring is empty.
    std::optional<TLogEntry> ReadOldest();

    bool Empty() const { return Free_ == Size(); }
    void Clear();
    std::uint32_t Size() const { return static_cast<std::uint32_t>(Bytes_.size()); }
    std::uint32_t Free() const { return Free_; }

  private:
    TLogEntryHeader ReadHeader();
    void DiscardOldest();
    void CopyIn(std::span<const std::uint8_t> block);
    void CopyOut(std::span<std::uint8_t> block);

    std::vector<std::uint8_t> Bytes_;
    std::uint32_t Head_ = 0;  // next byte to write
    std::uint32_t Tail_ = 0;  // first byte of the oldest entry
    std::uint32_t Free_;
};

class TDispatchLog {
  public:
    // The largest ring StartLog allocates, in bytes.
    static constexpr std::uint32_t kMaxLogSize = 16000000;

    // The start time is the clock's reading now.
    explicit TDispatchLog(TMillisecondClock clock = SteadyMilliseconds);

    // Entry times count from now on; the port's open sets this.
    void SetStartTime();

    // With a ring already there, empties it (its size stays, `size` is ignored). Otherwise
    // allocates a ring of `size` bytes: -ecBadArgument above kMaxLogSize, -ecOutOfMemory
    // when it cannot be had; nothing changes then. On success logging is on and the result
    // is 0. A ring smaller than an entry header records nothing.
    std::int32_t StartLog(std::uint32_t size);
    void ClearLog();
    // Logging off, ring freed.
    void StopLog();
    // Logging off, the ring and its entries stay.
    void PauseLog();
    // Logging on again, if there is a ring.
    void ResumeLog();

    // Records an entry while logging is on, time-stamped with the clock; an entry too large
    // for the ring (see TLogRing::Store) is dropped whole.
    void AddLogEntry(TLogType type, TLogSubtype subtype, std::uint32_t data,
                     std::span<const std::uint8_t> bytes);

    // Removes and returns the oldest entry; nullopt without a ring or entries.
    std::optional<TLogEntry> ReadOldestEntry();

    // Writes the entries to fileName (replaced, or appended to when `append`; see
    // TDumpFile::Open) and stops the log. Without a ring or entries the log stops and no file
    // is touched. When the file cannot be opened, the result is the negated error and the
    // entries stay, with logging off. Otherwise the log stops and the result is 0 or the
    // negated error of a failed write.
    std::int32_t WriteLogFile(const std::string& fileName, bool append, bool allHex, bool hex);

    bool IsLogging() const { return Logging_; }
    bool HasRing() const { return Ring_.has_value(); }

  private:
    TMillisecondClock Clock_;
    std::uint32_t StartTime_;
    bool Logging_ = false;
    std::optional<TLogRing> Ring_;
};

}  // namespace norvane::serial
