#include "str0_builder.h"

#include <utility>

namespace norvane::serial::testing {

namespace {

constexpr std::size_t kFillerBytes = 6;

void PutU32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void PutText(std::vector<std::uint8_t>& bytes, const std::u16string& text) {
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

}  // namespace

TStr0Builder& TStr0Builder::Add(std::int32_t code, std::u16string text) {
    Entries_.emplace_back(code, std::move(text));
    return *this;
}

std::vector<std::uint8_t> TStr0Builder::Packed() const {
    return Build(false);
}

std::vector<std::uint8_t> TStr0Builder::Scattered() const {
    return Build(true);
}

std::vector<std::uint8_t> TStr0Builder::Build(bool scatter) const {
    std::vector<std::uint8_t> texts;
    std::vector<std::size_t> textStart(Entries_.size());
    for (std::size_t n = 0; n < Entries_.size(); ++n) {
        const std::size_t i = scatter ? Entries_.size() - 1 - n : n;
        if (scatter) {
            texts.insert(texts.end(), kFillerBytes, 0xEE);
        }
        textStart[i] = texts.size();
        PutText(texts, Entries_[i].second);
    }
    std::vector<std::uint8_t> bytes{'S', 'T', 'R', '0'};
    PutU32(bytes, static_cast<std::uint32_t>(Entries_.size()));
    const std::size_t textBase = 8 + 12 * Entries_.size();
    for (std::size_t i = 0; i < Entries_.size(); ++i) {
        PutU32(bytes, static_cast<std::uint32_t>(Entries_[i].first));
        PutU32(bytes, static_cast<std::uint32_t>(textBase + textStart[i]));
        PutU32(bytes, static_cast<std::uint32_t>(Entries_[i].second.size()));
    }
    bytes.insert(bytes.end(), texts.begin(), texts.end());
    return bytes;
}

void PokeU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void TFakeModule::Put(std::string name, std::vector<std::uint8_t> bytes) {
    Tables_[std::move(name)] = std::move(bytes);
}

std::optional<std::span<const std::uint8_t>> TFakeModule::FindTable(std::string_view name) const {
    const auto found = Tables_.find(name);
    if (found == Tables_.end()) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(found->second);
}

}  // namespace norvane::serial::testing
