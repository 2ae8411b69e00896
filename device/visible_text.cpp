#include "device/visible_text.h"

#include <algorithm>

namespace norvane::device {

namespace {

bool IsContinuation(std::string_view text, std::size_t at, unsigned char low = 0x80,
                    unsigned char high = 0xBF) {
    if (at >= text.size()) {
        return false;
    }
    const auto byte = static_cast<unsigned char>(text[at]);
    return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence starting at `at`, or 0 if there is none
// (no overlong forms, no surrogates, nothing beyond U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead >= 0xC2 && lead <= 0xDF) {
        return IsContinuation(text, at + 1) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return IsContinuation(text, at + 1, low, high) && IsContinuation(text, at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return IsContinuation(text, at + 1, low, high) && IsContinuation(text, at + 2) &&
                       IsContinuation(text, at + 3)
                   ? 4
                   : 0;
    }
    return 0;
}

void AppendEscaped(std::string& out, char c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    out += "\\x";
    out.push_back(kHex[byte >> 4]);
    out.push_back(kHex[byte & 0x0F]);
}

bool TerminalActsOn(char c) {
    return c != '\t' && IsAsciiControl(c);
}

}  // namespace

bool HoldsAsciiControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), IsAsciiControl);
}

std::string VisibleText(std::string_view text, TControlSet controls) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        const auto byte = static_cast<unsigned char>(c);
        const std::size_t length =
            controls == TControlSet::Terminal && byte >= 0x80 ? Utf8SequenceLength(text, at) : 0;
        if (length == 0) {
            const bool escape = controls == TControlSet::Ascii
                                    ? IsAsciiControl(c)
                                    : TerminalActsOn(c) || (byte >= 0x80 && byte <= 0x9F);
            if (escape) {
                AppendEscaped(out, c);
            } else {
                out.push_back(c);
            }
            ++at;
            continue;
        }
        // U+0080 to U+009F, the C1 controls in UTF-8: C2 followed by 80 to 9F.
        const bool encodedC1 = byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) <= 0x9F;
        for (std::size_t i = 0; i < length; ++i) {
            if (encodedC1) {
                AppendEscaped(out, text[at + i]);
            } else {
                out.push_back(text[at + i]);
            }
        }
        at += length;
    }
    return out;
}

}  // namespace norvane::device
