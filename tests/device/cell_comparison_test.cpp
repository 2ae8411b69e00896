#include "device/cell_comparison.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvane::device {
namespace {

using Lines = std::vector<std::string>;

TCellTable File(Lines lines, std::size_t cutAfter = 0) {
    return {"file", "in the file", std::move(lines), {}, cutAfter};
}

TCellTable Instrument(Lines lines, std::map<long long, std::string> errors = {}) {
    return {"instrument", "on the instrument", std::move(lines), std::move(errors), 0};
}

struct TComparisonCase {
    const char* Name;
    TCellTable First;
    TCellTable Second;
    Lines Differences;
    std::size_t Cells;
};

TEST(CellComparisonTest, MatchesByCellNumberAndSaysEachDifferenceInCellOrder) {
    const std::string full = "7,TC-K,-200,1370,degC,probe-north";  // 34 characters
    const std::vector<TComparisonCase> cases{
        {"equal", File({"1,a", "2,b"}), Instrument({"1,a", "2,b"}), {}, 2},
        {"both empty", File({}), Instrument({}), {}, 0},
        {"empty file", File({}), Instrument({"3,c"}), {"cell 3: only on the instrument"}, 1},
        {"changed, and one only on each side, out of order in the file",
         File({"41,x", "12,TC-K,-200,1370,degC", "2,b"}),
         Instrument({"2,b", "12,TC-J,-210,1200,degC", "40,y"}),
         {"cell 12: file has '12,TC-K,-200,1370,degC', instrument has '12,TC-J,-210,1200,degC'",
          "cell 40: only on the instrument", "cell 41: only in the file"},
         4},
        {"a cell twice: the last line counts, as an upload leaves it",
         File({"5,old", "5,new"}),
         Instrument({"5,new"}),
         {},
         1},
        {"leading zeros name the same cell",
         File({"005,a"}),
         Instrument({"5,a"}),
         {"cell 5: file has '005,a', instrument has '5,a'"},
         1},
        {"lines without a cell number, by position",
         File({"1,a", "gauge,x", ",y", "99999999999,z"}),
         Instrument({"1,a", "gauge,x", ",q"}),
         {"line 3 (no cell number): file has ',y', instrument has ',q'",
          "line 4 (no cell number): only in the file"},
         4},
        {"the instrument answers 30 characters of a longer line",
         File({full}, 30),
         Instrument({full.substr(0, 30)}),
         {},
         1},
        {"a difference within those 30 is one",
         File({full}, 30),
         Instrument({"7,TC-J" + full.substr(6, 24)}),
         {"cell 7: file has '" + full + "', instrument has '7,TC-J" + full.substr(6, 24) + "'"},
         1},
        {"an error reply counts, whatever the file holds",
         File({"8,a", "9,b"}),
         Instrument({"9,b"}, {{8, "ERROR bad value"}, {10, "ERROR=15"}}),
         {"cell 8: instrument answered with an error 'ERROR bad value'",
          "cell 10: instrument answered with an error 'ERROR=15'"},
         3},
    };
    for (const TComparisonCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TCellComparison comparison = CompareCellTables(c.First, c.Second);
        EXPECT_EQ(comparison.Differences, c.Differences);
        EXPECT_EQ(comparison.Cells, c.Cells);
    }
}

}  // namespace
}  // namespace norvane::device
