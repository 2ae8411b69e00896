#include "resources/embedded_tables.h"

#include <array>
#include <utility>

namespace norvane::resources {

namespace generated {
// Defined in the files that str0_pack writes into the build directory.
std::span<const std::uint8_t> VexaErrorStringsEnglish();
std::span<const std::uint8_t> VexaSrMgrStrings();
}  // namespace generated

namespace {

using TTableGetter = std::span<const std::uint8_t> (*)();

constexpr std::array<std::pair<std::string_view, TTableGetter>, 2> kTables{{
    {"VEXA_ERROR_STRINGS_ENGLISH", &generated::VexaErrorStringsEnglish},
    {"VEXASRMGR_STRINGS", &generated::VexaSrMgrStrings},
}};

}  // namespace

std::optional<std::span<const std::uint8_t>> FindEmbeddedTable(std::string_view name) {
    for (const auto& [tableName, getter] : kTables) {
        if (tableName == name) {
            return getter();
        }
    }
    return std::nullopt;
}

}  // namespace norvane::resources
