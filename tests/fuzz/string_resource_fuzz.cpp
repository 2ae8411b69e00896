// The STR0 string-table reader over arbitrary blobs.
//
// The whole input is the table. The reader must refuse it exactly when the layout's bounds
// do not hold (short header, wrong magic, index or a text reaching past the end), and
// otherwise answer every lookup as a plain binary search over the stored index does: found
// or not, and for a found entry well-formed UTF-8 of a length its UTF-16 text allows.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "serial/errors/string_resource.h"

namespace {

using norvane::serial::EQlsStringResourceError;
using norvane::serial::IResourceModule;
using norvane::serial::TVexaStringResource;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "string_resource_fuzz: %s\n", what);
        std::abort();
    }
}

class TBlobModule : public IResourceModule {
  public:
    explicit TBlobModule(std::span<const std::uint8_t> blob) : Blob_(blob) {}
    std::optional<std::span<const std::uint8_t>> FindTable(std::string_view) const override {
        return Blob_;
    }

  private:
    std::span<const std::uint8_t> Blob_;
};

std::uint32_t U32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
           std::uint32_t{at[3]} << 24;
}

struct TReference {
    std::span<const std::uint8_t> Blob;

    std::uint64_t Count() const { return U32(Blob.data() + 4); }
    const std::uint8_t* Record(std::uint64_t i) const { return Blob.data() + 8 + 12 * i; }

    bool Valid() const {
        if (Blob.size() < 8 || std::memcmp(Blob.data(), "STR0", 4) != 0) {
            return false;
        }
        if (8 + 12 * Count() > Blob.size()) {
            return false;
        }
        for (std::uint64_t i = 0; i < Count(); ++i) {
            if (U32(Record(i) + 4) + 2 * std::uint64_t{U32(Record(i) + 8)} > Blob.size()) {
                return false;
            }
        }
        return true;
    }

    // lo := 0, hi := N - 1; mid := (lo + hi) div 2; codes compare as signed 32-bit values.
    // The text's length in UTF-16 units, or nothing.
    std::optional<std::uint32_t> Find(std::int32_t code) const {
        std::int64_t lo = 0;
        std::int64_t hi = static_cast<std::int64_t>(Count()) - 1;
        while (lo <= hi) {
            const std::int64_t mid = (lo + hi) / 2;
            const auto midCode = static_cast<std::int32_t>(U32(Record(mid)));
            if (midCode == code) {
                return U32(Record(mid) + 8);
            }
            if (midCode < code) {
                lo = mid + 1;
            } else {
                hi = mid - 1;
            }
        }
        return std::nullopt;
    }
};

// Well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool WellFormedUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        std::uint32_t point = 0;
        if (lead < 0x80) {
            point = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            point = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            point = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            point = lead & 0x07;
        } else {
            return false;
        }
        if (extra > 0 && i + extra >= text.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            point = point << 6 | (next & 0x3F);
        }
        const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (point < least[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

void CheckLookup(const TVexaStringResource& table, const TReference& reference, std::int32_t code) {
    const std::string text = table.GetAsString(code);
    const std::optional<std::uint32_t> units = reference.Find(code);
    if (!units) {
        Check(text.empty(), "text for a code the search does not find");
        return;
    }
    // Each unit gives 1 to 3 bytes; a surrogate pair gives 4 for 2 units.
    Check(text.size() >= *units && text.size() <= 3 * std::uint64_t{*units}, "text length");
    Check(WellFormedUtf8(text), "text is not well-formed UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> blob(data, size);
    const TReference reference{blob};
    const TBlobModule module(blob);
    std::optional<TVexaStringResource> table;
    try {
        table.emplace(module, "FUZZ_TABLE");
    } catch (const EQlsStringResourceError&) {
        Check(!reference.Valid(), "a valid table was refused");
        return 0;
    }
    Check(reference.Valid(), "an invalid table was accepted");
    Check(table->EntryCount() == reference.Count(), "entry count");

    // Every stored code and its neighbours, and the extremes.
    const std::uint64_t probes = std::min<std::uint64_t>(reference.Count(), 256);
    for (std::uint64_t i = 0; i < probes; ++i) {
        const auto code = static_cast<std::int32_t>(U32(reference.Record(i)));
        CheckLookup(*table, reference, code);
        if (code != INT_MIN) {
            CheckLookup(*table, reference, code - 1);
        }
        if (code != INT_MAX) {
            CheckLookup(*table, reference, code + 1);
        }
    }
    for (const std::int32_t code : {INT_MIN, -1, 0, 1, INT_MAX}) {
        CheckLookup(*table, reference, code);
    }
    table->SetRaiseOnMissing(true);
    bool raised = false;
    try {
        CheckLookup(*table, reference, 0);
    } catch (const EQlsStringResourceError&) {
        raised = true;
    }
    Check(raised == !reference.Find(0), "raise-on-missing");
    return 0;
}
