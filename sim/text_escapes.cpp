#include "sim/text_escapes.h"

#include <stdexcept>

namespace norvane::sim {

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The byte of a \xHH escape whose digits start at `digits`; -1 when malformed.
int HexEscapeByte(std::string_view digits) {
    if (digits.size() < 2) {
        return -1;
    }
    const int high = HexDigitValue(digits[0]);
    const int low = HexDigitValue(digits[1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

char SimpleEscapeByte(char letter) {
    switch (letter) {
        case 'r':
            return '\r';
        case 'n':
            return '\n';
        case 't':
            return '\t';
        case '\\':
            return '\\';
        default:
            return 0;
    }
}

}  // namespace

std::string UnescapeText(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        const std::string_view escape = text.substr(i, 4);
        if (escape.size() >= 2 && escape[1] == 'x') {
            const int byte = HexEscapeByte(escape.substr(2));
            if (byte < 0) {
                throw std::invalid_argument("bad escape '" + std::string(escape) +
                                            "': \\x needs two hex digits");
            }
            bytes += static_cast<char>(byte);
            i += 3;
            continue;
        }
        const char byte = escape.size() >= 2 ? SimpleEscapeByte(escape[1]) : 0;
        if (byte == 0) {
            throw std::invalid_argument("bad escape '" + std::string(escape.substr(0, 2)) +
                                        "' (known: \\r \\n \\t \\\\ \\xHH)");
        }
        bytes += byte;
        ++i;
    }
    return bytes;
}

}  // namespace norvane::sim
