#include "device/visible_text.h"

#include <gtest/gtest.h>

namespace norvane::device {
namespace {

TEST(VisibleTextTest, EscapesExactlyTheControlsOfItsSet) {
    struct Case {
        std::string text;
        std::string ascii;
        std::string terminal;
    };
    const Case cases[] = {
        {"5,TC-K \\x1A", "5,TC-K \\x1A", "5,TC-K \\x1A"},  // backslashes stay: no double escape
        {std::string("a\0b\x1a\x1b\x7f", 6), "a\\x00b\\x1A\\x1B\\x7F", "a\\x00b\\x1A\\x1B\\x7F"},
        {"a\tb\r\n", "a\\x09b\\x0D\\x0A", "a\tb\\x0D\\x0A"},
        {"\xc3\xbc", "\xc3\xbc", "\xc3\xbc"},  // UTF-8 u-umlaut
        {"\xfc\xb1", "\xfc\xb1", "\xfc\xb1"},  // Latin-1 bytes above C1
        {"\x9b"
         "31m",
         "\x9b"
         "31m",
         "\\x9B31m"},                                                  // a lone C1 byte (CSI)
        {"\xc2\x9b", "\xc2\x9b", "\\xC2\\x9B"},                        // CSI encoded in UTF-8
        {"\xe2\x82\xac\xc2", "\xe2\x82\xac\xc2", "\xe2\x82\xac\xc2"},  // euro, cut-off lead
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VisibleText(c.text), c.ascii) << ::testing::PrintToString(c.text);
        EXPECT_EQ(VisibleText(c.text, TControlSet::Terminal), c.terminal)
            << ::testing::PrintToString(c.text);
        EXPECT_EQ(VisibleText(c.ascii), c.ascii) << "escaping twice changes nothing";
    }
    EXPECT_TRUE(HoldsAsciiControl("2,a\tb"));
    EXPECT_FALSE(HoldsAsciiControl("2,\xc3\xbc"));
}

}  // namespace
}  // namespace norvane::device
