#include "serial/trace/byte_trace.h"

#include <new>

#include "serial/errors/error_codes.h"
#include "serial/trace/trace_log_format.h"

namespace norvane::serial {

namespace {

std::string SectionHeading(std::uint8_t kind) {
    switch (kind) {
        case tkTransmit:
            return "Transmit: ";
        case tkReceive:
            return "Receive: ";
        default:
            return std::string("Special-") + static_cast<char>(kind) + ": ";
    }
}

}  // namespace

std::int32_t TByteTrace::StartTrace(std::uint32_t size) {
    if (HasBuffer()) {
        ClearTrace();
    } else {
        if (size == 0 || size > kMaxTraceSize) {
            return -ecBadArgument;
        }
        try {
            Entries_.resize(size);
        } catch (const std::bad_alloc&) {
            return -ecOutOfMemory;
        }
        Head_ = 0;
        Wrapped_ = false;
    }
    Tracing_ = true;
    return ecOk;
}

void TByteTrace::ClearTrace() {
    Head_ = 0;
    Wrapped_ = false;
}

void TByteTrace::StopTrace() {
    Tracing_ = false;
    Entries_ = std::vector<TEntry>();
    ClearTrace();
}

void TByteTrace::PauseTrace() {
    Tracing_ = false;
}

void TByteTrace::ResumeTrace() {
    Tracing_ = HasBuffer();
}

void TByteTrace::AppendTraceEntry(std::uint8_t kind, std::uint8_t byte) {
    if (!Tracing_) {
        return;
    }
    Entries_[Head_] = TEntry{kind, byte};
    if (++Head_ == Entries_.size()) {
        Head_ = 0;
        Wrapped_ = true;
    }
}

std::uint32_t TByteTrace::EntryCount() const {
    return Wrapped_ ? static_cast<std::uint32_t>(Entries_.size()) : Head_;
}

const TByteTrace::TEntry& TByteTrace::EntryFromOldest(std::size_t index) const {
    const std::size_t oldest = Wrapped_ ? Head_ : 0;
    return Entries_[(oldest + index) % Entries_.size()];
}

void TByteTrace::WriteEntries(TDumpFile& file, bool allHex, bool hex) const {
    TWrappedLine line(file, 0, "");
    const std::size_t count = EntryCount();
    for (std::size_t i = 0; i < count; ++i) {
        const TEntry& entry = EntryFromOldest(i);
        if (i == 0 || entry.Kind != EntryFromOldest(i - 1).Kind) {
            // The first section of a dump appended to a file is separated from what is
            // already there like any later section: end the open line, then a blank line.
            if (i > 0 || file.HadContent()) {
                file.Write(kDumpLineEnd);
                file.Write(kDumpLineEnd);
            }
            line.Reset();
            file.Write(SectionHeading(entry.Kind));
        }
        line.Put(RenderDumpByte(entry.Byte, allHex, hex));
    }
}

std::int32_t TByteTrace::WriteTraceFile(const std::string& fileName, bool append, bool allHex,
                                        bool hex) {
    if (!HasBuffer()) {
        return ecOk;
    }
    std::int32_t result = ecOk;
    if (EntryCount() > 0) {
        Tracing_ = false;
        TDumpFile file;
        result = file.Open(fileName, append);
        if (result == ecOk) {
            WriteEntries(file, allHex, hex);
            result = file.Close();
        }
    }
    StopTrace();
    return result;
}

}  // namespace norvane::serial
