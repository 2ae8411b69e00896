#include "device/cell_comparison.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

#include "device/cell_file.h"

namespace norvane::device {

namespace {

// More digits than any cell number could have: the line then names no cell.
constexpr std::size_t kMaxCellDigits = 9;

std::optional<long long> CellNumberOf(std::string_view line) {
    const std::size_t comma = line.find(',');
    if (comma == 0 || comma == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view digits = line.substr(0, comma);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    while (digits.size() > 1 && digits.front() == '0') {
        digits.remove_prefix(1);
    }
    if (digits.size() > kMaxCellDigits) {
        return std::nullopt;
    }
    return std::stoll(std::string(digits));
}

struct TUnnumberedLine {
    std::size_t LineNumber;  // from 1, in its table
    std::string Text;
};

// A table split by the matching rule: the last line of each cell number, and the lines
// without one in order.
struct TSortedTable {
    std::map<long long, std::string> Cells;
    std::vector<TUnnumberedLine> Unnumbered;
};

TSortedTable Sorted(const TCellTable& table) {
    TSortedTable sorted;
    for (std::size_t i = 0; i < table.Lines.size(); ++i) {
        const std::string& line = table.Lines[i];
        if (const auto cell = CellNumberOf(line)) {
            sorted.Cells[*cell] = line;
        } else {
            sorted.Unnumbered.push_back({i + 1, line});
        }
    }
    return sorted;
}

std::string_view Counted(const TCellTable& table, const std::string& line) {
    const std::string_view text(line);
    return table.CutAfter == 0 ? text : text.substr(0, table.CutAfter);
}

std::string Quoted(const std::string& line) {
    return "'" + QuotedLine(line) + "'";
}

class TDifferenceList {
  public:
    TDifferenceList(const TCellTable& first, const TCellTable& second)
        : First_(first), Second_(second) {}

    // Either side may be absent; nothing is said when both hold the same.
    void Compare(const std::string& subject, const std::string* a, const std::string* b) {
        if (a != nullptr && b != nullptr) {
            if (Counted(First_, *a) != Counted(Second_, *b)) {
                Add(subject + ": " + First_.Name + " has " + Quoted(*a) + ", " + Second_.Name +
                    " has " + Quoted(*b));
            }
        } else if (a != nullptr) {
            Add(subject + ": only " + First_.Where);
        } else if (b != nullptr) {
            Add(subject + ": only " + Second_.Where);
        }
    }
    void ErrorReply(const TCellTable& table, long long cell, const std::string& reply) {
        Add("cell " + std::to_string(cell) + ": " + table.Name + " answered with an error " +
            Quoted(reply));
    }
    std::vector<std::string> Take() { return std::move(Texts_); }

  private:
    void Add(std::string text) { Texts_.push_back(std::move(text)); }

    const TCellTable& First_;
    const TCellTable& Second_;
    std::vector<std::string> Texts_;
};

const std::string* Find(const std::map<long long, std::string>& cells, long long cell) {
    const auto found = cells.find(cell);
    return found == cells.end() ? nullptr : &found->second;
}

}  // namespace

TCellComparison CompareCellTables(const TCellTable& first, const TCellTable& second) {
    const TSortedTable a = Sorted(first);
    const TSortedTable b = Sorted(second);
    std::set<long long> cells;  // every cell number either side knows
    for (const auto* side : {&a.Cells, &b.Cells, &first.ErrorReplies, &second.ErrorReplies}) {
        for (const auto& entry : *side) {
            cells.insert(entry.first);
        }
    }
    TDifferenceList differences(first, second);
    for (const long long cell : cells) {
        if (const std::string* error = Find(first.ErrorReplies, cell)) {
            differences.ErrorReply(first, cell, *error);
        } else if (const std::string* error = Find(second.ErrorReplies, cell)) {
            differences.ErrorReply(second, cell, *error);
        } else {
            differences.Compare("cell " + std::to_string(cell), Find(a.Cells, cell),
                                Find(b.Cells, cell));
        }
    }
    const std::size_t unnumbered = std::max(a.Unnumbered.size(), b.Unnumbered.size());
    for (std::size_t k = 0; k < unnumbered; ++k) {
        const TUnnumberedLine* x = k < a.Unnumbered.size() ? &a.Unnumbered[k] : nullptr;
        const TUnnumberedLine* y = k < b.Unnumbered.size() ? &b.Unnumbered[k] : nullptr;
        const std::size_t lineNumber = x != nullptr ? x->LineNumber : y->LineNumber;
        differences.Compare("line " + std::to_string(lineNumber) + " (no cell number)",
                            x != nullptr ? &x->Text : nullptr, y != nullptr ? &y->Text : nullptr);
    }
    return {differences.Take(), cells.size() + unnumbered};
}

}  // namespace norvane::device
