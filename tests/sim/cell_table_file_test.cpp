#include "sim/cell_table_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/support/temp_dir.h"

namespace norvane::sim {
namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CellTableFile : public ::testing::Test {
  protected:
    test::TTempDir Dir;
};

TEST_F(CellTableFile, LoadPutsEachLineInItsCellAndALaterLineWins) {
    const std::string path = Dir / "cells.nvf";
    WriteFile(path, "1899,LAST\r\n5,FIRST\r\n5,SECOND\r\n");
    const TCellTable table = LoadCellTable(path);
    EXPECT_EQ(table.Size(), 2u);
    EXPECT_EQ(table.Definition(5), "5,SECOND");
    EXPECT_EQ(table.Definition(1899), "1899,LAST");
}

TEST_F(CellTableFile, LoadRefusesALineWithoutAValidCellNamingItsLine) {
    const std::string path = Dir / "cells.nvf";
    WriteFile(path, "1,OK\r\nTC-K,0,100\r\n");
    try {
        LoadCellTable(path);
        FAIL() << "loaded a line without a cell number";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(path + " line 2"), std::string::npos) << e.what();
    }
    WriteFile(path, "1900,TOO-FAR\r\n");
    EXPECT_THROW(LoadCellTable(path), std::runtime_error);
}

TEST_F(CellTableFile, LoadOfAMissingFileSaysWhy) {
    try {
        LoadCellTable(Dir / "absent.nvf");
        FAIL() << "loaded a file that does not exist";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
    }
}

TEST_F(CellTableFile, SaveWritesCellOrderWithCrLfAndLoadsBackTheSame) {
    TCellTable table;
    for (const char* definition : {"100,C", "2,B", "1899,D", "1,A"}) {
        table.StoreDefinition(definition);
    }
    const std::string path = Dir / "saved.nvf";
    SaveCellTable(table, path);
    EXPECT_EQ(ReadFile(path), "1,A\r\n2,B\r\n100,C\r\n1899,D\r\n");
    EXPECT_EQ(LoadCellTable(path).DefinitionsInCellOrder(), table.DefinitionsInCellOrder());
}

TEST_F(CellTableFile, SavingAnEmptyTableLeavesAnEmptyFile) {
    const std::string path = Dir / "empty.nvf";
    WriteFile(path, "1,OLD\r\n");
    SaveCellTable(TCellTable(), path);
    EXPECT_EQ(ReadFile(path), "");
}

TEST_F(CellTableFile, DemoTableLoadsAndFollowsTheCellFileRules) {
    const std::string path = std::string(NORVANE_SOURCE_DIR) + "/sim/demo-cells.nvf";
    const TCellTable table = LoadCellTable(path);
    EXPECT_GE(table.Size(), 10u);
    EXPECT_TRUE(table.Definition(1));
    EXPECT_TRUE(table.Definition(1899));
    std::string expected;
    for (const std::string& definition : table.DefinitionsInCellOrder()) {
        EXPECT_LE(definition.size(), 30u) << definition;
        expected += definition + "\r\n";
    }
    EXPECT_EQ(ReadFile(path), expected) << "in cell order, every line ending in CR LF";
}

}  // namespace
}  // namespace norvane::sim
