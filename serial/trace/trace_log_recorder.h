#pragma once
// TTraceLogRecorder: the byte trace and the dispatch log of one open port, as the
// dispatcher's recorder (IDispatchRecorder) and as the port component's trace and log
// commands.
//
// Ownership: the port component owns a recorder, attaches it to the dispatcher of an open
// port (TVexaBaseDispatcher::AttachRecorder) and calls Restart at each open, as trace and log
// do not survive a dispatcher. It must stay alive while attached. The recorder calls nothing
// outside itself.
//
// Threads and locking: every member may be called from any thread. The dispatch thread and
// the user-interface thread add entries (under the dispatcher's data lock), and the
// component runs the commands on the user-interface thread, with or without that lock.
// Each call takes the recorder's own mutex for its whole extent, so the lock order is
// always data lock, then recorder mutex, and never the reverse. A dump holds the mutex
// while it writes its file; entries arriving meanwhile wait for it and are then dropped, as
// the dump has ended the recording.
//
// Results follow the serial layer's convention: 0, or a negated code (error_codes.h, or a
// file error mapped by ResultFromErrno). Nothing here throws for an ordinary failure.

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "serial/trace/byte_trace.h"
#include "serial/trace/dispatch_log.h"
#include "serial/trace/dispatch_recorder.h"

namespace norvane::serial {

class TTraceLogRecorder final : public IDispatchRecorder {
  public:
    // Default sizes of the component's TraceSize (entries) and LogSize (bytes).
    static constexpr std::uint32_t kDefaultTraceSize = 10000;
    static constexpr std::uint32_t kDefaultLogSize = 10000;

    // Trace and log off; log times count from now, by `clock`.
    explicit TTraceLogRecorder(TMillisecondClock clock = SteadyMilliseconds);

    // For a port that has just opened: trace and log off and freed, log times count from
    // now.
    void Restart();

    // ---- Trace (see TByteTrace) ----
    std::int32_t StartTrace(std::uint32_t size);
    void ClearTrace();
    void StopTrace();
    void PauseTrace();
    void ResumeTrace();
    std::int32_t WriteTraceFile(const std::string& fileName, bool append, bool allHex, bool hex);
    bool IsTracing() const;

    // ---- Dispatch log (see TDispatchLog) ----
    std::int32_t StartLog(std::uint32_t size);
    void ClearLog();
    void StopLog();
    void PauseLog();
    void ResumeLog();
    std::int32_t WriteLogFile(const std::string& fileName, bool append, bool allHex, bool hex);
    bool IsLogging() const;
    // Removes and returns the oldest log entry; nullopt when there is none.
    std::optional<TLogEntry> ReadOldestLogEntry();

    // ---- IDispatchRecorder: kept only while the trace or log is on ----
    void AddTraceEntry(TTraceKind kind, std::uint8_t byte) override;
    void AddLogEntry(TLogType type, TLogSubtype subtype, std::uint32_t data,
                     std::span<const std::uint8_t> bytes) override;

  private:
    mutable std::mutex Mutex_;
    TByteTrace Trace_;
    TDispatchLog Log_;
};

}  // namespace norvane::serial
