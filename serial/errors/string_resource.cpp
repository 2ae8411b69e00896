#include "serial/errors/string_resource.h"

#include <array>
#include <cstring>

#include "resources/embedded_tables.h"
#include "serial/errors/serial_layer.h"

namespace norvane::serial {

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kIndexRecordSize = 12;
constexpr char kMagic[4] = {'S', 'T', 'R', '0'};

enum TReaderMessage : std::int32_t {
    rmStringNotFound = 1,
    rmCannotLock = 2,  // never raised: an embedded table needs no locking
    rmTableNotFound = 3,
    rmCannotOpen = 4,
    rmInvalidTable = 5,
};

// Used only while "VEXASRMGR_STRINGS" cannot be read: while its own reader is being
// created or when the serial layer is not initialised. Same texts as that table.
constexpr std::array<std::string_view, 5> kBuiltInMessages{
    "String not found: %d",          "Cannot lock resource",
    "String resource not found: %s", "Unable to open string resource: %s",
    "Invalid QLString resource",
};

class TProgramModule : public IResourceModule {
  public:
    std::optional<std::span<const std::uint8_t>> FindTable(std::string_view name) const override {
        return resources::FindEmbeddedTable(name);
    }
};

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::string FillPlaceholder(std::string_view pattern, std::string_view argument) {
    std::string text(pattern);
    for (const std::string_view placeholder : {"%s", "%d"}) {
        const std::size_t at = text.find(placeholder);
        if (at != std::string::npos) {
            return text.replace(at, placeholder.size(), argument);
        }
    }
    return text;
}

void AppendUtf8(std::string& out, char32_t point) {
    if (point < 0x80) {
        out.push_back(static_cast<char>(point));
    } else if (point < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (point >> 6)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else if (point < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (point >> 12)));
        out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (point >> 18)));
        out.push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    }
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// UTF-8 is the natural 8-bit encoding on Linux and loses nothing; a lone surrogate, which
// no valid text contains, becomes U+FFFD instead of failing the lookup.
std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    const auto unitAt = [&](std::size_t i) {
        return static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    };
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = unitAt(i);
        if (IsHighSurrogate(unit) && i + 1 < units && IsLowSurrogate(unitAt(i + 1))) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

[[noreturn]] void RaiseReaderError(std::int32_t id, std::string_view argument = {}) {
    throw EQlsStringResourceError(StringResourceMessage(id, argument));
}

std::span<const std::uint8_t> LocateTable(const IResourceModule& module, std::string_view name) {
    std::optional<std::span<const std::uint8_t>> bytes = module.FindTable(name);
    if (!bytes) {
        bytes = ProgramModule().FindTable(name);
    }
    if (!bytes) {
        RaiseReaderError(rmTableNotFound, name);
    }
    if (bytes->empty()) {
        RaiseReaderError(rmCannotOpen, name);
    }
    return *bytes;
}

}  // namespace

const IResourceModule& ProgramModule() {
    static const TProgramModule module;
    return module;
}

std::string StringResourceMessage(std::int32_t id, std::string_view argument) {
    const TVexaStringResource* table = StringResourceMessageTable();
    std::string pattern = table != nullptr ? table->GetAsString(id) : std::string();
    if (pattern.empty() && id >= 1 && id <= static_cast<std::int32_t>(kBuiltInMessages.size())) {
        pattern = kBuiltInMessages[static_cast<std::size_t>(id - 1)];
    }
    return FillPlaceholder(pattern, argument);
}

TVexaStringResource::TVexaStringResource(const IResourceModule& module, std::string_view name)
    : Bytes_(LocateTable(module, name)) {
    Validate();
    Count_ = ReadU32(Bytes_, 4);
}

TVexaStringResource::TVexaStringResource(std::string_view name)
    : TVexaStringResource(ProgramModule(), name) {}

// Beyond the magic, checks that the index and every text lie inside the table, so that a
// damaged table is refused here instead of being read out of bounds by a later lookup.
void TVexaStringResource::Validate() const {
    if (Bytes_.size() < kHeaderSize || std::memcmp(Bytes_.data(), kMagic, sizeof kMagic) != 0) {
        RaiseReaderError(rmInvalidTable);
    }
    const std::uint64_t count = ReadU32(Bytes_, 4);
    if (kHeaderSize + kIndexRecordSize * count > Bytes_.size()) {
        RaiseReaderError(rmInvalidTable);
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::size_t record = kHeaderSize + kIndexRecordSize * i;
        const std::uint64_t end = std::uint64_t{ReadU32(Bytes_, record + 4)} +
                                  2 * std::uint64_t{ReadU32(Bytes_, record + 8)};
        if (end > Bytes_.size()) {
            RaiseReaderError(rmInvalidTable);
        }
    }
}

std::int32_t TVexaStringResource::CodeAt(std::uint32_t index) const {
    return static_cast<std::int32_t>(ReadU32(Bytes_, kHeaderSize + kIndexRecordSize * index));
}

std::optional<TVexaStringResource::TEntry> TVexaStringResource::Find(std::int32_t code) const {
    std::int64_t lo = 0;
    std::int64_t hi = static_cast<std::int64_t>(Count_) - 1;
    while (lo <= hi) {
        const std::int64_t mid = (lo + hi) / 2;
        const std::int32_t midCode = CodeAt(static_cast<std::uint32_t>(mid));
        if (midCode == code) {
            const std::size_t record =
                kHeaderSize + kIndexRecordSize * static_cast<std::size_t>(mid);
            return TEntry{ReadU32(Bytes_, record + 4), ReadU32(Bytes_, record + 8)};
        }
        if (midCode < code) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return std::nullopt;
}

std::string TVexaStringResource::GetAsString(std::int32_t code) const {
    const std::optional<TEntry> entry = Find(code);
    if (!entry) {
        if (RaiseOnMissing_) {
            RaiseReaderError(rmStringNotFound, std::to_string(code));
        }
        return {};
    }
    return Utf16LeToUtf8(Bytes_.subspan(entry->Offset, 2 * std::size_t{entry->Length}));
}

}  // namespace norvane::serial
