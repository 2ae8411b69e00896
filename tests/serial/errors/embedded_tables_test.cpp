// Checks the tables the build packed into the program, byte by byte, independently of the
// reader.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "resources/embedded_tables.h"
#include "serial/errors/string_resource.h"

namespace norvane::serial {
namespace {

struct TIndexEntry {
    std::int32_t Code;
    std::uint32_t Offset;
    std::uint32_t Length;
};

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::span<const std::uint8_t> Table(const char* name) {
    const auto bytes = resources::FindEmbeddedTable(name);
    if (!bytes) {
        ADD_FAILURE() << name << " is not embedded";
        return {};
    }
    return *bytes;
}

std::vector<TIndexEntry> IndexOf(std::span<const std::uint8_t> bytes) {
    std::vector<TIndexEntry> index;
    const std::uint32_t count = U32At(bytes, 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = 8 + 12 * i;
        index.push_back({static_cast<std::int32_t>(U32At(bytes, at)), U32At(bytes, at + 4),
                         U32At(bytes, at + 8)});
    }
    return index;
}

// The layout the build promises: magic, ascending unique codes, non-empty texts packed
// back to back right after the index, the last one ending the table.
void ExpectWellFormed(std::span<const std::uint8_t> bytes, std::size_t expectedCount) {
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "STR0");
    const std::vector<TIndexEntry> index = IndexOf(bytes);
    ASSERT_EQ(index.size(), expectedCount);
    std::size_t expectedOffset = 8 + 12 * index.size();
    for (std::size_t i = 0; i < index.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(index[i - 1].Code, index[i].Code) << "entry " << i;
        }
        EXPECT_EQ(index[i].Offset, expectedOffset) << "code " << index[i].Code;
        EXPECT_GT(index[i].Length, 0u) << "code " << index[i].Code;
        expectedOffset = index[i].Offset + 2 * std::size_t{index[i].Length};
    }
    EXPECT_EQ(expectedOffset, bytes.size());
}

std::set<std::int32_t> Range(std::int32_t first, std::int32_t last) {
    std::set<std::int32_t> codes;
    for (std::int32_t code = first; code <= last; ++code) {
        codes.insert(code);
    }
    return codes;
}

// Every code the serial layer documents a text for, by subject, and no other.
std::set<std::int32_t> DocumentedCodes() {
    const std::vector<std::pair<std::int32_t, std::int32_t>> ranges = {
        {0, 0},         {2, 6},         {8, 8},         {15, 15},       {18, 18},
        {100, 105},     {150, 162},     {1001, 1009},   {2001, 2012},   {3001, 3010},
        {4001, 4008},   {4101, 4101},   {4201, 4213},   {4301, 4312},   {4401, 4403},
        {4500, 4523},   {4550, 4553},   {4599, 4599},   {4600, 4611},   {4630, 4633},
        {4660, 4671},   {4700, 4723},   {4801, 4808},   {4820, 4828},   {4840, 4843},
        {5001, 5003},   {5501, 5506},   {6001, 6016},   {7001, 7014},   {8001, 8005},
        {8050, 8055},   {8060, 8075},   {8080, 8092},   {9001, 9007},   {10004, 10004},
        {10009, 10009}, {10013, 10014}, {10022, 10022}, {10024, 10024}, {10035, 10071},
        {10091, 10093}, {10101, 10101}, {11001, 11004}, {13501, 13516}, {13533, 13557},
        {13565, 13565}, {13597, 13601}, {13650, 13670}, {13801, 13803}, {13805, 13848},
        {13850, 13886}, {13928, 13945}, {13980, 13980}, {15001, 15020}, {15101, 15351},
        {15501, 15502}, {15601, 15608}, {15700, 15742},
    };
    std::set<std::int32_t> codes;
    for (const auto& [first, last] : ranges) {
        codes.merge(Range(first, last));
    }
    return codes;
}

TEST(EmbeddedTablesTest, ErrorTableIsWellFormed) {
    ExpectWellFormed(Table("VEXA_ERROR_STRINGS_ENGLISH"), 830);
}

TEST(EmbeddedTablesTest, ErrorTableHasExactlyTheDocumentedCodes) {
    std::set<std::int32_t> codes;
    for (const TIndexEntry& entry : IndexOf(Table("VEXA_ERROR_STRINGS_ENGLISH"))) {
        codes.insert(entry.Code);
    }
    EXPECT_EQ(codes, DocumentedCodes());
}

TEST(EmbeddedTablesTest, MessageTableIsWellFormedAndExact) {
    const std::span<const std::uint8_t> bytes = Table("VEXASRMGR_STRINGS");
    ExpectWellFormed(bytes, 5);
    // 8 header bytes, 5 index records, 128 UTF-16 units of text.
    EXPECT_EQ(bytes.size(), 324u);
}

TEST(EmbeddedTablesTest, UnknownNameIsNotEmbedded) {
    EXPECT_FALSE(resources::FindEmbeddedTable("vexa_error_strings_english").has_value());
    EXPECT_FALSE(resources::FindEmbeddedTable("").has_value());
}

// The texts the trace and log dumps print must come out exactly, padding included.
TEST(EmbeddedTablesTest, DumpLabelsAreExact) {
    const TVexaStringResource table("VEXA_ERROR_STRINGS_ENGLISH");
    EXPECT_EQ(table.GetAsString(15001), "No event");
    EXPECT_EQ(table.GetAsString(15020), "User");
    EXPECT_EQ(table.GetAsString(15104), "Modem status");
    EXPECT_EQ(table.GetAsString(15119), "Method");
    EXPECT_EQ(table.GetAsString(15501), "Time      Type      SubType       Data      OtherData");
    EXPECT_EQ(table.GetAsString(15502), "--------  --------  ------------  --------  ---------");
}

}  // namespace
}  // namespace norvane::serial
