#pragma once
// The design strings: "<screen size>-<margin>" in decimal, for example "1280-1" (laid out on a
// screen 1280 pixels wide with a 1-pixel right margin) or "1024-21". At most 15 characters.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace norvane::sizing {

inline constexpr std::size_t kDesignStringMaxLength = 15;

// The value cut to its first kDesignStringMaxLength characters.
std::string CutDesignString(std::string_view value);

// The screen size before the first dash; 0 when there is no dash or the characters before it
// are not a non-negative decimal integer (callers treat 0 as "no design screen").
int DesignScreenSize(std::string_view design);

// The margin after the first dash; nothing when there is no dash or the characters after it
// are not a non-negative decimal integer.
std::optional<int> DesignMargin(std::string_view design);

// "<screen>-<margin>", cut to kDesignStringMaxLength characters.
std::string FormatDesignString(int screenSize, int margin);

}  // namespace norvane::sizing
