#include "serial/trace/dispatch_log.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <new>
#include <utility>

#include "serial/errors/error_codes.h"
#include "serial/errors/error_text.h"
#include "serial/trace/trace_log_format.h"

namespace norvane::serial {

namespace {

using THeaderBytes = std::array<std::uint8_t, TLogRing::kHeaderSize>;

void PutWord(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t GetWord(const std::uint8_t* at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    }
    return value;
}

THeaderBytes EncodeHeader(const TLogEntryHeader& header) {
    THeaderBytes bytes{};
    bytes[0] = header.Type;
    bytes[1] = header.Subtype;
    PutWord(&bytes[2], header.Time);
    PutWord(&bytes[6], header.Data);
    PutWord(&bytes[10], header.Length);
    return bytes;
}

TLogEntryHeader DecodeHeader(const THeaderBytes& bytes) {
    return TLogEntryHeader{bytes[0], bytes[1], GetWord(&bytes[2]), GetWord(&bytes[6]),
                           GetWord(&bytes[10])};
}

std::string TypeName(std::uint8_t type) {
    // Beyond the last type the codes run into the subtype names.
    return type <= ltUser ? ErrorText(ecLogKindBase + type) : std::string();
}

std::string SubtypeName(std::uint8_t subtype) {
    return subtype == lsNone ? std::string() : ErrorText(ecLogSubKindBase + subtype);
}

void WriteLine(TDumpFile& file, std::string_view text) {
    file.Write(text);
    file.Write(kDumpLineEnd);
}

void WriteFileHeader(TDumpFile& file) {
    WriteLine(file, "VEXA v3.03");
    WriteLine(file, "Compiler : " + CompilerDescription());
    WriteLine(file, "Operating System : " + OperatingSystemDescription());
    WriteLine(file, ErrorText(ecLogHeading));
    WriteLine(file, ErrorText(ecLogHeadingRule));
}

std::string EntryPrefix(const TLogEntryHeader& header) {
    // 8 + 2 + 8 + 2 + 12 + 2 + 8 + 2 = 44 columns while every field fits its width.
    char text[128];
    std::snprintf(text, sizeof text, "%8s  %-8s  %-12s  %08x  ", FormatLogTime(header.Time).c_str(),
                  TypeName(header.Type).c_str(), SubtypeName(header.Subtype).c_str(), header.Data);
    return text;
}

constexpr std::size_t kDataColumn = 45;
constexpr std::string_view kDataIndent = "                                            ";
static_assert(kDataIndent.size() == kDataColumn - 1);

void WriteEntry(TDumpFile& file, const TLogEntry& entry, bool allHex, bool hex) {
    file.Write(EntryPrefix(entry.Header));
    TWrappedLine line(file, kDataColumn, kDataIndent);
    // User entries carry text of their own, which reads better left as it is.
    const bool plainText = allHex && entry.Header.Type == ltUser;
    for (const std::uint8_t byte : entry.Bytes) {
        line.Put(plainText ? std::string(1, static_cast<char>(byte))
                           : RenderDumpByte(byte, allHex, hex));
    }
    file.Write(kDumpLineEnd);
}

}  // namespace

std::uint32_t SteadyMilliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// ---- TLogRing ----

bool TLogRing::Store(TLogEntryHeader header, std::span<const std::uint8_t> data) {
    const std::uint64_t needed = std::uint64_t{kHeaderSize} + data.size();
    if (needed >= Size()) {
        return false;
    }
    while (Free_ < needed) {
        DiscardOldest();
    }
    header.Length = static_cast<std::uint32_t>(data.size());
    const THeaderBytes bytes = EncodeHeader(header);
    CopyIn(bytes);
    CopyIn(data);
    return true;
}

std::optional<TLogEntry> TLogRing::ReadOldest() {
    if (Empty()) {
        return std::nullopt;
    }
    TLogEntry entry;
    entry.Header = ReadHeader();
    entry.Bytes.resize(entry.Header.Length);
    CopyOut(entry.Bytes);
    return entry;
}

void TLogRing::Clear() {
    Head_ = 0;
    Tail_ = 0;
    Free_ = Size();
}

TLogEntryHeader TLogRing::ReadHeader() {
    THeaderBytes bytes{};
    CopyOut(bytes);
    return DecodeHeader(bytes);
}

void TLogRing::DiscardOldest() {
    const std::uint32_t length = ReadHeader().Length;
    Tail_ = static_cast<std::uint32_t>((std::uint64_t{Tail_} + length) % Size());
    Free_ += length;
}

void TLogRing::CopyIn(std::span<const std::uint8_t> block) {
    for (const std::uint8_t byte : block) {
        Bytes_[Head_] = byte;
        Head_ = Head_ + 1 == Size() ? 0 : Head_ + 1;
    }
    Free_ -= static_cast<std::uint32_t>(block.size());
}

void TLogRing::CopyOut(std::span<std::uint8_t> block) {
    for (std::uint8_t& byte : block) {
        byte = Bytes_[Tail_];
        Tail_ = Tail_ + 1 == Size() ? 0 : Tail_ + 1;
    }
    Free_ += static_cast<std::uint32_t>(block.size());
}

// ---- TDispatchLog ----

TDispatchLog::TDispatchLog(TMillisecondClock clock)
    : Clock_(std::move(clock)), StartTime_(Clock_()) {}

void TDispatchLog::SetStartTime() {
    StartTime_ = Clock_();
}

std::int32_t TDispatchLog::StartLog(std::uint32_t size) {
    if (Ring_) {
        ClearLog();
    } else {
        if (size > kMaxLogSize) {
            return -ecBadArgument;
        }
        try {
            Ring_.emplace(size);
        } catch (const std::bad_alloc&) {
            return -ecOutOfMemory;
        }
    }
    Logging_ = true;
    return ecOk;
}

void TDispatchLog::ClearLog() {
    if (Ring_) {
        Ring_->Clear();
    }
}

void TDispatchLog::StopLog() {
    Logging_ = false;
    Ring_.reset();
}

void TDispatchLog::PauseLog() {
    Logging_ = false;
}

void TDispatchLog::ResumeLog() {
    Logging_ = Ring_.has_value();
}

void TDispatchLog::AddLogEntry(TLogType type, TLogSubtype subtype, std::uint32_t data,
                               std::span<const std::uint8_t> bytes) {
    if (!Logging_) {
        return;
    }
    const std::uint32_t time = Clock_() - StartTime_;
    Ring_->Store(TLogEntryHeader{type, subtype, time, data, 0}, bytes);
}

std::optional<TLogEntry> TDispatchLog::ReadOldestEntry() {
    return Ring_ ? Ring_->ReadOldest() : std::nullopt;
}

std::int32_t TDispatchLog::WriteLogFile(const std::string& fileName, bool append, bool allHex,
                                        bool hex) {
    if (!Ring_ || Ring_->Empty()) {
        StopLog();
        return ecOk;
    }
    Logging_ = false;
    TDumpFile file;
    std::int32_t result = file.Open(fileName, append);
    if (result != ecOk) {
        return result;
    }
    WriteFileHeader(file);
    while (const std::optional<TLogEntry> entry = Ring_->ReadOldest()) {
        WriteEntry(file, *entry, allHex, hex);
    }
    result = file.Close();
    StopLog();
    return result;
}

}  // namespace norvane::serial
