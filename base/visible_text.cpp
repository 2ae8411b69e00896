#include "base/visible_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace norvane::base {

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
    const auto* kind =
        std::find_if(std::begin(kLeadBytes), std::end(kLeadBytes),
                     [lead](const TLeadByte& k) { return lead >= k.Low && lead <= k.High; });
    if (kind == std::end(kLeadBytes) || at + kind->Length > text.size()) {
        return 0;
    }
    codePoint = lead & kind->Bits;
    for (std::size_t i = 1; i < kind->Length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!IsContinuation(byte)) {
            return 0;
        }
        codePoint = (codePoint << 6) | (byte & 0x3Fu);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < kind->Minimum || surrogate || codePoint > 0x10FFFF) {
        return 0;
    }
    return kind->Length;
}

// Characters that are no text of their own but change how the text around them is laid out:
// the line and paragraph separators (a new line in the desktop log, as good as a forged log
// line) and the bidirectional embeddings, overrides and isolates, which reorder what the
// user reads ("evil\u202Efdp.nvf" shows as "evilpdf.nvf"-like text running backwards).
bool ActsOnLayout(std::uint32_t codePoint) {
    return codePoint == 0x2028 || codePoint == 0x2029 ||
           (codePoint >= 0x202A && codePoint <= 0x202E) ||
           (codePoint >= 0x2066 && codePoint <= 0x2069);
}

std::string AsciiVisible(std::string_view text) {
    std::string visible;
    visible.reserve(text.size());
    for (const char c : text) {
        visible += IsAsciiControl(c) ? HexEscape("\\x%02X", static_cast<unsigned char>(c))
                                     : std::string(1, c);
    }
    return visible;
}

std::string TerminalVisible(std::string_view text) {
    std::string visible;
    visible.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            visible += IsControlOtherThanTab(text[at]) ? HexEscape("\\x%02X", byte)
                                                       : std::string(1, text[at]);
            ++at;
            continue;
        }
        std::uint32_t codePoint = 0;
        const std::size_t length = Utf8Sequence(text, at, codePoint);
        if (length == 0) {
            visible += HexEscape("\\x%02X", byte);
            ++at;
        } else if (codePoint <= 0x9F || ActsOnLayout(codePoint)) {
            visible += HexEscape("\\u%04X", codePoint);
            at += length;
        } else {
            visible.append(text.substr(at, length));
            at += length;
        }
    }
    return visible;
}

}  // namespace

bool HoldsControlOtherThanTab(std::string_view text) {
    return std::any_of(text.begin(), text.end(), IsControlOtherThanTab);
}

std::string VisibleText(std::string_view text, TControlSet controls) {
    return controls == TControlSet::Ascii ? AsciiVisible(text) : TerminalVisible(text);
}

std::string ShortenedText(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return std::string(text);
    }
    // Back off over at most three UTF-8 continuation bytes to the start of a character.
    std::size_t cut = limit;
    for (int i = 0; i < 3 && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80;
         ++i) {
        --cut;
    }
    return std::string(text.substr(0, cut)) + "...";
}

}  // namespace norvane::base
