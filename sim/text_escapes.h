#pragma once
// Reply texts and the preamble come from the command line, where CR, LF and other control
// bytes are awkward to type; they are written as C-style escapes instead.

#include <string>
#include <string_view>

namespace norvane::sim {

// Turns \r, \n, \t, \\ and \xHH (exactly two hex digits) into their bytes. Throws
// std::invalid_argument naming the first malformed escape.
std::string UnescapeText(std::string_view text);

}  // namespace norvane::sim
