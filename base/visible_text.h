#pragma once
// Text from the line or from a file, made fit to be shown: control characters become
// visible escapes, "\x" and two upper-case hex digits ("\x1A" for Ctrl-Z), instead of acting
// on a terminal or vanishing in the message log. A reply holding escape sequences must not
// retitle, recolour or clear the user's terminal, and a file name holding a line feed must
// not forge a log line. Backslashes are left as they are: the aim is a safe display, not a
// reversible encoding.
//
// Plain functions without state; any thread.

#include <string>
#include <string_view>

namespace norvane::base {

// Which characters VisibleText escapes.
enum class TControlSet {
    // Every C0 control, tab included, and DEL: no instrument reply holds one, so each is
    // line noise and must show.
    Ascii,
    // For a terminal or the desktop's message log: C0 but tab, and DEL, as \xHH; the C1
    // controls U+0080..U+009F (UTF-8 C2 80..C2 9F), the line and paragraph separators
    // U+2028 and U+2029 and the bidirectional controls U+202A..U+202E and U+2066..U+2069
    // as \uXXXX; every byte that is no part of valid UTF-8 as \xHH (a raw 8-bit CSI among
    // them). Everything else, non-ASCII text included, passes, so file names in any language
    // stay readable.
    Terminal,
};

// A C0 control (below 0x20, tab included) or DEL.
constexpr bool IsAsciiControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// An IsAsciiControl character other than tab: a line of text (a cell definition, a line of
// a cell file) holds tabs, never another control.
constexpr bool IsControlOtherThanTab(char c) {
    return IsAsciiControl(c) && c != '\t';
}

// Whether text holds an IsControlOtherThanTab character.
bool HoldsControlOtherThanTab(std::string_view text);

std::string VisibleText(std::string_view text, TControlSet controls = TControlSet::Ascii);

// At most `limit` bytes of text, followed by "..." when it was longer, cut before a UTF-8
// character rather than through it: how a message quotes a line that may be of any length.
std::string ShortenedText(std::string_view text, std::size_t limit);

}  // namespace norvane::base
