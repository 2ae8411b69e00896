#pragma once
// The string tables compiled into the program, found by their table names.
//
// The tables are packed from the text sources in this folder at build time (str0_pack), so
// nothing is read from disk at run time and a table can never be missing from an install.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace norvane::resources {

// The STR0 bytes of the named table, or nullopt when the program carries no table of that
// name. The bytes live for the whole run of the program.
std::optional<std::span<const std::uint8_t>> FindEmbeddedTable(std::string_view name);

}  // namespace norvane::resources
