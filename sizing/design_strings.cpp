#include "sizing/design_strings.h"

#include <charconv>

namespace norvane::sizing {
namespace {

std::optional<int> ParseDecimal(std::string_view text) {
    int value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    // from_chars accepts a leading '-'; a negative size or margin is no more valid than text.
    if (text.empty() || error != std::errc() || stop != end || value < 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string CutDesignString(std::string_view value) {
    return std::string(value.substr(0, kDesignStringMaxLength));
}

int DesignScreenSize(std::string_view design) {
    const std::size_t dash = design.find('-');
    if (dash == std::string_view::npos) {
        return 0;
    }
    return ParseDecimal(design.substr(0, dash)).value_or(0);
}

std::optional<int> DesignMargin(std::string_view design) {
    const std::size_t dash = design.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    return ParseDecimal(design.substr(dash + 1));
}

std::string FormatDesignString(int screenSize, int margin) {
    return CutDesignString(std::to_string(screenSize) + "-" + std::to_string(margin));
}

}  // namespace norvane::sizing
