#include "base/visible_text.h"

#include <gtest/gtest.h>

namespace norvane::base {
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
        {"\xc3\xbc", "\xc3\xbc", "\xc3\xbc"},    // UTF-8 u-umlaut
        {"\xfc\xb1", "\xfc\xb1", "\\xFC\\xB1"},  // Latin-1 bytes: no UTF-8
        {"\x9b"
         "31m",
         "\x9b"
         "31m",
         "\\x9B31m"},                                                   // a lone C1 byte (CSI)
        {"\xc2\x9b", "\xc2\x9b", "\\u009B"},                            // CSI encoded in UTF-8
        {"\xe2\x82\xac\xc2", "\xe2\x82\xac\xc2", "\xe2\x82\xac\\xC2"},  // euro, cut-off lead
        // Paragraph separator (a new line in the desktop log), right-to-left override and a
        // pop directional isolate, beside the characters just outside those ranges.
        {"a\xe2\x80\xa9z", "a\xe2\x80\xa9z", "a\\u2029z"},
        {"\xe2\x80\xae\xe2\x81\xa9\xe2\x80\xaf", "\xe2\x80\xae\xe2\x81\xa9\xe2\x80\xaf",
         "\\u202E\\u2069\xe2\x80\xaf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VisibleText(c.text), c.ascii) << ::testing::PrintToString(c.text);
        EXPECT_EQ(VisibleText(c.text, TControlSet::Terminal), c.terminal)
            << ::testing::PrintToString(c.text);
        EXPECT_EQ(VisibleText(c.ascii), c.ascii) << "escaping twice changes nothing";
    }
    EXPECT_FALSE(HoldsControlOtherThanTab("2,a\tb"));
    EXPECT_FALSE(HoldsControlOtherThanTab("2,\xc3\xbc"));
    for (const char control : {'\0', '\x1a', '\x1b', '\x1f', '\x7f'}) {
        EXPECT_TRUE(HoldsControlOtherThanTab(std::string("2,a") + control)) << int(control);
    }
}

// What the command line prints from outside.
TEST(VisibleTextTest, ForATerminalControlsBecomeEscapesAndTextStaysReadable) {
    const struct {
        std::string Raw;
        std::string Shown;
    } cases[] = {
        {"plain 1,TC-K,0,100", "plain 1,TC-K,0,100"},
        {"tab\tstays", "tab\tstays"},
        {"\x1b]0;title\x07\x1b[2J", "\\x1B]0;title\\x07\\x1B[2J"},
        {"a\nb\rc\x7f", "a\\x0Ab\\x0Dc\\x7F"},
        {std::string("nul\0!", 5), "nul\\x00!"},
        // C1 controls are code points, not bytes: CSI as UTF-8, then its neighbours.
        {"\xc2\x9b"
         "31m \xc2\x80\xc2\x9f",
         "\\u009B31m \\u0080\\u009F"},
        {"Müller_Δ_測定_\xf0\x9f\x93\x88.nvf", "Müller_Δ_測定_\xf0\x9f\x93\x88.nvf"},
        {"\xa0\xc2\xa0", "\\xA0\xc2\xa0"},  // a stray continuation byte, then NBSP
        {"\x9b"
         "2J",
         "\\x9B2J"},                                              // a raw 8-bit CSI is no UTF-8
        {"\xc0\x8a \xe0\x80\x8a", "\\xC0\\x8A \\xE0\\x80\\x8A"},  // overlong line feeds
        {"\xed\xa0\x80 \xf4\x90\x80\x80", "\\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80"},
        {"cut \xe6\xb8", "cut \\xE6\\xB8"},  // a sequence the end cuts short
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VisibleText(c.Raw, TControlSet::Terminal), c.Shown)
            << ::testing::PrintToString(c.Raw);
    }
}

}  // namespace
}  // namespace norvane::base
