#include "serial/trace/trace_log_recorder.h"

#include <utility>

namespace norvane::serial {

TTraceLogRecorder::TTraceLogRecorder(TMillisecondClock clock) : Log_(std::move(clock)) {}

void TTraceLogRecorder::Restart() {
    const std::lock_guard lock(Mutex_);
    Trace_.StopTrace();
    Log_.StopLog();
    Log_.SetStartTime();
}

std::int32_t TTraceLogRecorder::StartTrace(std::uint32_t size) {
    const std::lock_guard lock(Mutex_);
    return Trace_.StartTrace(size);
}

void TTraceLogRecorder::ClearTrace() {
    const std::lock_guard lock(Mutex_);
    Trace_.ClearTrace();
}

void TTraceLogRecorder::StopTrace() {
    const std::lock_guard lock(Mutex_);
    Trace_.StopTrace();
}

void TTraceLogRecorder::PauseTrace() {
    const std::lock_guard lock(Mutex_);
    Trace_.PauseTrace();
}

void TTraceLogRecorder::ResumeTrace() {
    const std::lock_guard lock(Mutex_);
    Trace_.ResumeTrace();
}

std::int32_t TTraceLogRecorder::WriteTraceFile(const std::string& fileName, bool append,
                                               bool allHex, bool hex) {
    const std::lock_guard lock(Mutex_);
    return Trace_.WriteTraceFile(fileName, append, allHex, hex);
}

bool TTraceLogRecorder::IsTracing() const {
    const std::lock_guard lock(Mutex_);
    return Trace_.IsTracing();
}

std::int32_t TTraceLogRecorder::StartLog(std::uint32_t size) {
    const std::lock_guard lock(Mutex_);
    return Log_.StartLog(size);
}

void TTraceLogRecorder::ClearLog() {
    const std::lock_guard lock(Mutex_);
    Log_.ClearLog();
}

void TTraceLogRecorder::StopLog() {
    const std::lock_guard lock(Mutex_);
    Log_.StopLog();
}

void TTraceLogRecorder::PauseLog() {
    const std::lock_guard lock(Mutex_);
    Log_.PauseLog();
}

void TTraceLogRecorder::ResumeLog() {
    const std::lock_guard lock(Mutex_);
    Log_.ResumeLog();
}

std::int32_t TTraceLogRecorder::WriteLogFile(const std::string& fileName, bool append, bool allHex,
                                             bool hex) {
    const std::lock_guard lock(Mutex_);
    return Log_.WriteLogFile(fileName, append, allHex, hex);
}

bool TTraceLogRecorder::IsLogging() const {
    const std::lock_guard lock(Mutex_);
    return Log_.IsLogging();
}

std::optional<TLogEntry> TTraceLogRecorder::ReadOldestLogEntry() {
    const std::lock_guard lock(Mutex_);
    return Log_.ReadOldestEntry();
}

void TTraceLogRecorder::AddTraceEntry(TTraceKind kind, std::uint8_t byte) {
    const std::lock_guard lock(Mutex_);
    Trace_.AppendTraceEntry(kind, byte);
}

void TTraceLogRecorder::AddLogEntry(TLogType type, TLogSubtype subtype, std::uint32_t data,
                                    std::span<const std::uint8_t> bytes) {
    const std::lock_guard lock(Mutex_);
    Log_.AddLogEntry(type, subtype, data, bytes);
}

}  // namespace norvane::serial
