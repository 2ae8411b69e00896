#include "cli/visible_text.h"

#include <cstdint>
#include <cstdio>

namespace norvane::cli {

namespace {

std::string HexEscape(const char* format, unsigned value) {
    char escape[8];
    std::snprintf(escape, sizeof escape, format, value);
    return escape;
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The lead bytes of multi-byte UTF-8 sequences: their range, the sequence's length, the
// smallest code point it may encode (anything below is an overlong form) and the lead's bits.
struct TLeadByte {
    unsigned char Low;
    unsigned char High;
    std::size_t Length;
    std::uint32_t Minimum;
    std::uint32_t Bits;
};
constexpr TLeadByte kLeadBytes[] = {
    {0xC2, 0xDF, 2, 0x80, 0x1F},
    {0xE0, 0xEF, 3, 0x800, 0x0F},
    {0xF0, 0xF4, 4, 0x10000, 0x07},
};

// The length of the valid UTF-8 sequence starting at text[at], 0 if there is none there, and
// its code point. Overlong forms, surrogates and values above U+10FFFF are not valid.
std::size_t Utf8Sequence(std::string_view text, std::size_t at, std::uint32_t& codePoint) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    for (const TLeadByte& kind : kLeadBytes) {
        if (lead >= kind.Low && lead <= kind.High) {
            length = kind.Length;
            minimum = kind.Minimum;
            codePoint = lead & kind.Bits;
        }
    }
    if (length == 0) {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!IsContinuation(byte)) {
            return 0;
        }
        codePoint = (codePoint << 6) | (byte & 0x3Fu);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < minimum || surrogate || codePoint > 0x10FFFF) {
        return 0;
    }
    return length;
}

}  // namespace

std::string VisibleText(std::string_view text) {
    std::string visible;
    visible.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            const bool control = (byte < 0x20 && byte != '\t') || byte == 0x7F;
            visible += control ? HexEscape("\\x%02X", byte) : std::string(1, text[at]);
            ++at;
            continue;
        }
        std::uint32_t codePoint = 0;
        const std::size_t length = Utf8Sequence(text, at, codePoint);
        if (length == 0) {
            visible += HexEscape("\\x%02X", byte);
            ++at;
        } else if (codePoint <= 0x9F) {
            visible += HexEscape("\\u%04X", codePoint);
            at += length;
        } else {
            visible.append(text.substr(at, length));
            at += length;
        }
    }
    return visible;
}

}  // namespace norvane::cli
