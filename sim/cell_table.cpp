#include "sim/cell_table.h"

#include <limits>
#include <stdexcept>

namespace norvane::sim {

bool IsValidCell(long long cell) {
    return cell >= kFirstCell && cell <= kLastCell;
}

std::optional<long long> ParseDecimal(std::string_view digits) {
    if (digits.empty()) {
        return std::nullopt;
    }
    constexpr long long kCeiling = std::numeric_limits<long long>::max() / 10 - 10;
    long long value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        if (value < kCeiling) {
            value = value * 10 + (c - '0');
        }
    }
    return value;
}

TCellReference CellOfDefinition(std::string_view definition) {
    const auto comma = definition.find(',');
    if (comma == std::string_view::npos) {
        return {};
    }
    const auto number = ParseDecimal(definition.substr(0, comma));
    if (!number) {
        return {};
    }
    if (!IsValidCell(*number)) {
        return {TCellReference::TKind::OutOfRange, 0};
    }
    return {TCellReference::TKind::Valid, static_cast<int>(*number)};
}

std::optional<std::string> TCellTable::Definition(int cell) const {
    const auto found = Definitions_.find(cell);
    if (found == Definitions_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void TCellTable::Store(int cell, std::string definition) {
    if (!IsValidCell(cell)) {
        throw std::out_of_range("cell " + std::to_string(cell) + " outside " +
                                std::to_string(kFirstCell) + ".." + std::to_string(kLastCell));
    }
    Definitions_[cell] = std::move(definition);
}

TCellReference TCellTable::StoreDefinition(std::string definition) {
    const TCellReference reference = CellOfDefinition(definition);
    if (reference.Kind == TCellReference::TKind::Valid) {
        Store(reference.Cell, std::move(definition));
    }
    return reference;
}

std::vector<std::string> TCellTable::DefinitionsInCellOrder() const {
    std::vector<std::string> definitions;
    definitions.reserve(Definitions_.size());
    for (const auto& [cell, definition] : Definitions_) {
        definitions.push_back(definition);
    }
    return definitions;
}

}  // namespace norvane::sim
