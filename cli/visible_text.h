#pragma once
// Text from outside (reply lines, cell-file lines, file names, the command line) made safe to
// print on a terminal: a reply holding escape sequences must not retitle, recolour or clear
// the user's terminal, and a file name holding a line feed must not forge a log line.
//
// Control characters become visible escapes: C0 other than tab, and DEL, as \xHH; the C1
// controls U+0080..U+009F (UTF-8 C2 80..C2 9F) as \u0080..\u009F; every byte that is not
// part of valid UTF-8 as \xHH. Everything else, non-ASCII text included, passes unchanged,
// so file names in any language stay readable. Backslashes are left alone: the aim is a
// safe display, not a reversible encoding.

#include <string>
#include <string_view>

namespace norvane::cli {

std::string VisibleText(std::string_view text);

}  // namespace norvane::cli
