#pragma once
// TByteTrace: the newest bytes the application took from a port or queued for it, kept in a
// circular buffer and written to a text file on request.
//
// States: off (no buffer) -> on (StartTrace) <-> paused (PauseTrace / ResumeTrace) -> off
// again when the trace is stopped or written (WriteTraceFile frees the buffer in every case).
// ClearTrace empties the buffer and leaves the state as it is.
//
// Not thread-safe: the owner serialises every call (TTraceLogRecorder holds its mutex).
//
// The file: one section per run of entries of the same kind, a blank line between sections.
// A section begins with its heading, "Transmit: " ('T'), "Receive: " ('R') or "Special-"
// + kind + ": ", and the bytes follow it as RenderDumpByte writes them, wrapping before the
// byte texts would pass column 78 (the heading does not count). Lines end in CR LF; the last
// line of a dump is left open, as the last line of every section is.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/trace/dispatch_recorder.h"

namespace norvane::serial {

class TDumpFile;

class TByteTrace {
  public:
    static constexpr std::uint32_t kMaxTraceSize = 4000000;

    // With a buffer already there, empties it (its size stays, `size` is ignored). Otherwise
    // allocates a buffer of `size` entries: -ecBadArgument for a size of 0 or above
    // kMaxTraceSize, -ecOutOfMemory when it cannot be had; nothing changes then. On success
    // tracing is on and the result is 0.
    std::int32_t StartTrace(std::uint32_t size);
    void ClearTrace();
    // Tracing off, buffer freed.
    void StopTrace();
    // Tracing off, the buffer and its entries stay.
    void PauseTrace();
    // Tracing on again, if there is a buffer.
    void ResumeTrace();

    // Records one entry while tracing is on; the oldest entry gives way when the buffer is
    // full. Kinds other than tkTransmit and tkReceive are written as special sections.
    void AppendTraceEntry(std::uint8_t kind, std::uint8_t byte);

    // Writes the entries, oldest first, to fileName (replaced, or appended to when `append`;
    // see TDumpFile::Open), bytes rendered by RenderDumpByte(byte, allHex, hex), then stops
    // the trace. Without a buffer nothing happens; with an empty one the trace stops and no
    // file is touched. When appending to a file that already has content, the dump begins
    // with the blank line that separates sections, so that it does not continue the file's
    // last line. Result: 0, or the negated file error (the trace is stopped all the same).
    std::int32_t WriteTraceFile(const std::string& fileName, bool append, bool allHex, bool hex);

    bool IsTracing() const { return Tracing_; }
    bool HasBuffer() const { return !Entries_.empty(); }
    // Number of entries recorded and not yet overwritten.
    std::uint32_t EntryCount() const;

  private:
    struct TEntry {
        std::uint8_t Kind;
        std::uint8_t Byte;
    };

    const TEntry& EntryFromOldest(std::size_t index) const;
    void WriteEntries(TDumpFile& file, bool allHex, bool hex) const;

    bool Tracing_ = false;
    std::vector<TEntry> Entries_;  // the buffer; empty when there is none
    std::uint32_t Head_ = 0;       // where the next entry goes
    bool Wrapped_ = false;         // the buffer has been filled at least once
};

}  // namespace norvane::serial
