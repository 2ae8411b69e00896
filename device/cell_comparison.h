#pragma once
// Comparing two cell tables: a cell file against what an instrument holds (verify), or two
// cell files against each other (diff).
//
// Lines are matched by the cell number they begin with: the digits before the first comma,
// as the store command carries it ("12,TC-K,..." is cell 12; "012" is cell 12 too). Where a
// table holds one cell number twice, its last line counts: an upload stores the lines in
// file order, so the later one is what the instrument keeps. A line that begins with no
// cell number is matched by position instead, the k-th such line of one table with the
// k-th of the other, and named by its line number in the table it came from.
//
// The instrument answers a query with at most the first 30 characters of a definition, so
// a table whose lines are to be compared with an instrument's is cut there first
// (TCellTable::CutAfter); the texts still quote its lines whole.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace norvane::device {

struct TCellTable {
    // How the texts name the table: "file" and "in the file", or a path twice over.
    std::string Name;
    std::string Where;
    // The lines, in the order the file or the instrument gave them.
    std::vector<std::string> Lines;
    // Cells whose query the instrument answered with an error, by number, with the reply's
    // text; each counts as a difference, whatever the other table holds there.
    std::map<long long, std::string> ErrorReplies;
    // The characters of each line that count in the comparison; 0 for all of them.
    std::size_t CutAfter = 0;
};

struct TCellComparison {
    // One text per difference, cell differences in cell order, then the lines without a
    // cell number in their order: "cell 12: file has 'A', instrument has 'B'", "cell 40:
    // only in the file", "line 3 (no cell number): ...". Not yet escaped for a terminal.
    std::vector<std::string> Differences;
    // The cells and the lines without a number that either table holds.
    std::size_t Cells = 0;
};

TCellComparison CompareCellTables(const TCellTable& first, const TCellTable& second);

}  // namespace norvane::device
