#include <gtest/gtest.h>

#include <string>

#include "serial/errors/serial_layer.h"
#include "serial/errors/string_resource.h"
#include "str0_builder.h"

namespace norvane::serial {
namespace {

using testing::PokeU32;
using testing::TFakeModule;
using testing::TStr0Builder;

constexpr char kTable[] = "TEST_TABLE";

TStr0Builder ThreeEntries() {
    TStr0Builder builder;
    builder.Add(10, u"ten").Add(20, u"twenty").Add(30, u"thirty");
    return builder;
}

std::string RefusalOf(const TFakeModule& module, const std::string& name = kTable) {
    try {
        TVexaStringResource reader(module, name);
    } catch (const EQlsStringResourceError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(StringResourceTest, FindsEveryEntryAndNothingBesideThem) {
    TFakeModule module;
    module.Put(kTable, ThreeEntries().Packed());
    const TVexaStringResource reader(module, kTable);

    EXPECT_EQ(reader.EntryCount(), 3u);
    EXPECT_EQ(reader.GetAsString(10), "ten");
    EXPECT_EQ(reader.GetAsString(20), "twenty");
    EXPECT_EQ(reader.GetAsString(30), "thirty");
    for (const std::int32_t absent : {9, 15, 25, 31, 0, -10}) {
        EXPECT_EQ(reader.GetAsString(absent), "") << absent;
    }
}

TEST(StringResourceTest, FollowsStoredOffsetsRatherThanPacking) {
    TFakeModule module;
    module.Put(kTable, ThreeEntries().Scattered());
    const TVexaStringResource reader(module, kTable);

    EXPECT_EQ(reader.GetAsString(10), "ten");
    EXPECT_EQ(reader.GetAsString(20), "twenty");
    EXPECT_EQ(reader.GetAsString(30), "thirty");
}

// Codes compare as signed numbers: an unsigned search would look for -5 after 7.
TEST(StringResourceTest, SearchesNegativeCodesInSignedOrder) {
    TStr0Builder builder;
    builder.Add(-70000, u"far below").Add(-5, u"minus five").Add(0, u"zero").Add(7, u"seven");
    TFakeModule module;
    module.Put(kTable, builder.Packed());
    const TVexaStringResource reader(module, kTable);

    EXPECT_EQ(reader.GetAsString(-70000), "far below");
    EXPECT_EQ(reader.GetAsString(-5), "minus five");
    EXPECT_EQ(reader.GetAsString(7), "seven");
    EXPECT_EQ(reader.GetAsString(5), "");
}

TEST(StringResourceTest, EmptyTableFindsNothing) {
    TFakeModule module;
    module.Put(kTable, TStr0Builder().Packed());
    const TVexaStringResource reader(module, kTable);

    EXPECT_EQ(reader.GetAsString(0), "");
}

TEST(StringResourceTest, ConvertsUtf16ToUtf8) {
    TStr0Builder builder;
    builder.Add(1, u"Gr\u00f6\u00dfe 20\u00b0C")
        .Add(2, u"clef \U0001D11E")
        .Add(3, std::u16string(u"lone ") + char16_t{0xD800} + u"!")
        .Add(4, u"");
    TFakeModule module;
    module.Put(kTable, builder.Packed());
    const TVexaStringResource reader(module, kTable);

    EXPECT_EQ(reader.GetAsString(1),
              "Gr\xC3\xB6\xC3\x9F"
              "e 20\xC2\xB0"
              "C");
    EXPECT_EQ(reader.GetAsString(2), "clef \xF0\x9D\x84\x9E");
    EXPECT_EQ(reader.GetAsString(3), "lone \xEF\xBF\xBD!");
    EXPECT_EQ(reader.GetAsString(4), "");
}

TEST(StringResourceTest, RaiseOnMissingReportsTheCode) {
    TFakeModule module;
    module.Put(kTable, ThreeEntries().Packed());
    TVexaStringResource reader(module, kTable);
    EXPECT_FALSE(reader.RaiseOnMissing());

    reader.SetRaiseOnMissing(true);
    try {
        reader.GetAsString(-42);
        FAIL() << "no exception";
    } catch (const EQlsStringResourceError& error) {
        EXPECT_STREQ(error.what(), "String not found: -42");
    }
    EXPECT_EQ(reader.GetAsString(20), "twenty");
}

TEST(StringResourceTest, RefusesTablesWithoutTheMagic) {
    TFakeModule module;
    std::vector<std::uint8_t> bytes = ThreeEntries().Packed();
    bytes[3] = '1';
    module.Put(kTable, bytes);
    EXPECT_EQ(RefusalOf(module), "Invalid QLString resource");

    module.Put(kTable, {'S', 'T', 'R'});
    EXPECT_EQ(RefusalOf(module), "Invalid QLString resource");
}

TEST(StringResourceTest, RefusesTablesWhoseIndexPointsOutside) {
    TFakeModule module;
    std::vector<std::uint8_t> countTooLarge = ThreeEntries().Packed();
    PokeU32(countTooLarge, 4, 1000);
    module.Put("count", countTooLarge);

    std::vector<std::uint8_t> textPastEnd = ThreeEntries().Packed();
    PokeU32(textPastEnd, 8 + 12 * 2 + 8, 100);  // length of the last text
    module.Put("length", textPastEnd);

    std::vector<std::uint8_t> offsetHuge = ThreeEntries().Packed();
    PokeU32(offsetHuge, 8 + 4, 0xFFFFFFF0u);
    module.Put("offset", offsetHuge);

    for (const char* name : {"count", "length", "offset"}) {
        EXPECT_EQ(RefusalOf(module, name), "Invalid QLString resource") << name;
    }
}

TEST(StringResourceTest, NamesTheTableThatIsMissingOrEmpty) {
    TFakeModule module;
    module.Put("EMPTY", {});

    EXPECT_EQ(RefusalOf(module, "NO_SUCH_TABLE"), "String resource not found: NO_SUCH_TABLE");
    EXPECT_EQ(RefusalOf(module, "EMPTY"), "Unable to open string resource: EMPTY");
}

TEST(StringResourceTest, FallsBackToTheProgramsOwnTables) {
    TFakeModule module;
    module.Put("VEXA_ERROR_STRINGS_ENGLISH", ThreeEntries().Packed());
    const TVexaStringResource overridden(module, "VEXA_ERROR_STRINGS_ENGLISH");
    const TVexaStringResource ownTable(module, "VEXASRMGR_STRINGS");

    EXPECT_EQ(overridden.GetAsString(20), "twenty");
    EXPECT_EQ(ownTable.GetAsString(5), "Invalid QLString resource");
}

// The reader's messages must read the same whether or not their table is open, since the
// built-in copies stand in for it while it is not.
TEST(StringResourceTest, MessagesReadTheSameWithoutTheirTable) {
    std::vector<std::string> fromTable;
    for (std::int32_t id = 1; id <= 5; ++id) {
        fromTable.push_back(StringResourceMessage(id, "X"));
    }
    FinaliseSerialLayer();
    std::vector<std::string> builtIn;
    for (std::int32_t id = 1; id <= 5; ++id) {
        builtIn.push_back(StringResourceMessage(id, "X"));
    }
    InitialiseSerialLayer();

    EXPECT_EQ(builtIn, fromTable);
    EXPECT_EQ(fromTable[0], "String not found: X");
    EXPECT_EQ(fromTable[3], "Unable to open string resource: X");
}

}  // namespace
}  // namespace norvane::serial
