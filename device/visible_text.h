#pragma once
// Text from the line or from a file, made fit to be shown: control characters become
// visible escapes, "\x" and two upper-case hex digits ("\x1A" for Ctrl-Z), instead of acting
// on a terminal or vanishing in the message log. Backslashes are left as they are, so the
// result stays readable and escaping it once more changes nothing.
//
// Plain functions without state; any thread.

#include <string>
#include <string_view>

namespace norvane::device {

// Which characters VisibleText escapes.
enum class TControlSet {
    // Every C0 control, tab included, and DEL: no instrument reply holds one, so each is
    // line noise and must show.
    Ascii,
    // What a terminal would act on: C0 but tab, DEL, and the C1 controls, whether as a byte
    // 0x80 to 0x9F that is no part of a valid UTF-8 sequence or UTF-8 encoded (U+0080 to
    // U+009F). Every other byte passes, since cell text is 8-bit and may be UTF-8 or not.
    Terminal,
};

// A C0 control (below 0x20, tab included) or DEL.
constexpr bool IsAsciiControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// Whether text holds an IsAsciiControl character.
bool HoldsAsciiControl(std::string_view text);

std::string VisibleText(std::string_view text, TControlSet controls = TControlSet::Ascii);

}  // namespace norvane::device
