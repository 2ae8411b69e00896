#pragma once
// The instrument's cell table and the one rule the simulator imposes on a definition: it
// begins with its own cell number in decimal and a comma ("5,TC-K,0,100" is cell 5). The
// real instrument knows from the gauge record where it goes; the simulator has no gauge
// records, so the number has to be in the text for a stored line to find its cell again.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::sim {

inline constexpr int kFirstCell = 1;
inline constexpr int kLastCell = 1899;

bool IsValidCell(long long cell);

// A run of decimal digits read as a number. Saturates instead of overflowing, so that any
// absurdly long number still reads as out of range rather than wrapping into range.
// Returns nothing when the text is empty or holds anything but digits.
std::optional<long long> ParseDecimal(std::string_view digits);

// What the leading "digits," of a definition say about its cell.
struct TCellReference {
    enum class TKind { Missing, OutOfRange, Valid };
    TKind Kind = TKind::Missing;
    int Cell = 0;  // meaningful for Valid only
};

TCellReference CellOfDefinition(std::string_view definition);

class TCellTable {
  public:
    // The definition stored in a cell; nothing for an empty cell or a number out of range.
    std::optional<std::string> Definition(int cell) const;

    // Replaces the cell's definition. The cell must be valid.
    void Store(int cell, std::string definition);

    // Stores a definition in the cell its leading number names. Returns what that number
    // said, so the caller can reject the line when it is not Valid.
    TCellReference StoreDefinition(std::string definition);

    // Every definition, in ascending cell order: the layout of a cell file.
    std::vector<std::string> DefinitionsInCellOrder() const;

    std::size_t Size() const { return Definitions_.size(); }

  private:
    std::map<int, std::string> Definitions_;
};

}  // namespace norvane::sim
