#pragma once
// Hand-made STR0 tables for testing the reader, and a module that serves them.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "serial/errors/string_resource.h"

namespace norvane::serial::testing {

class TStr0Builder {
  public:
    TStr0Builder& Add(std::int32_t code, std::u16string text);

    // Index in the order added, texts back to back after it, as the build tool packs.
    std::vector<std::uint8_t> Packed() const;

    // Same index, but the texts stored in reverse order with filler bytes between them, so
    // only a reader that follows the stored offsets finds them.
    std::vector<std::uint8_t> Scattered() const;

  private:
    std::vector<std::uint8_t> Build(bool scatter) const;

    std::vector<std::pair<std::int32_t, std::u16string>> Entries_;
};

// Little-endian 32-bit write into an existing table, for damaging one on purpose.
void PokeU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);

class TFakeModule : public IResourceModule {
  public:
    void Put(std::string name, std::vector<std::uint8_t> bytes);
    std::optional<std::span<const std::uint8_t>> FindTable(std::string_view name) const override;

  private:
    std::map<std::string, std::vector<std::uint8_t>, std::less<>> Tables_;
};

}  // namespace norvane::serial::testing
