#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_text.h"

namespace norvane::serial {
namespace {

TEST(ErrorTextTest, TakesTextsFromTheErrorTable) {
    EXPECT_EQ(ErrorText(0), "OK");
    EXPECT_EQ(ErrorText(3002), "Function not supported by driver");
    EXPECT_EQ(ErrorText(15501), "Time      Type      SubType       Data      OtherData");
    EXPECT_EQ(ErrorText(7003), "No fields defined in database");
}

TEST(ErrorTextTest, IgnoresSignAndBitsAboveSixteen) {
    EXPECT_EQ(ErrorText(-2001), "ie_BadId - Specified comport doesn't exist");
    EXPECT_EQ(ErrorText(0x10000 + 2), "File not found");
    EXPECT_EQ(ErrorText(0x10000 - 2), "File not found");  // low 16 bits are -2
}

// Outside the host-errno range the original platform's numbers have no host message.
TEST(ErrorTextTest, CodeWithoutTextOrSystemMessageIsEmpty) {
    EXPECT_EQ(ErrorText(1), "");
    EXPECT_EQ(ErrorText(-87), "");
    EXPECT_EQ(ErrorText(15000), "");
}

TEST(ErrorTextTest, HostErrnoCodesGetTheHostsText) {
    const std::int32_t code = ResultFromErrno(EINVAL);
    EXPECT_EQ(ErrorText(code), HostErrorText(EINVAL));
    EXPECT_EQ(ErrorText(-code), HostErrorText(EINVAL));
    EXPECT_FALSE(ErrorText(code).empty());
}

TEST(NormaliseSystemMessageTest, TurnsLineBreaksIntoSingleBlanks) {
    EXPECT_EQ(NormaliseSystemMessage("The parameter is incorrect.\r\n"),
              "The parameter is incorrect. ");
    EXPECT_EQ(NormaliseSystemMessage("first\r\nsecond"), "first second");
    EXPECT_EQ(NormaliseSystemMessage("a \t\x01 b"), "a b");
    EXPECT_EQ(NormaliseSystemMessage("   leading and trailing   "), " leading and trailing ");
    EXPECT_EQ(NormaliseSystemMessage(""), "");
}

TEST(NormaliseSystemMessageTest, KeepsNonAsciiCharacters) {
    EXPECT_EQ(NormaliseSystemMessage("Ung\xC3\xBCltiges Argument\n"),
              "Ung\xC3\xBCltiges Argument ");
}

// The length limit applies to the raw message, before blanks are merged.
TEST(NormaliseSystemMessageTest, CutsToTheTextLimitFirst) {
    EXPECT_EQ(NormaliseSystemMessage(std::string(300, 'x')), std::string(255, 'x'));
    const std::string spaced = std::string(250, 'x') + "      yy";
    EXPECT_EQ(NormaliseSystemMessage(spaced), std::string(250, 'x') + " ");
}

TEST(CutUtf8Test, NeverSplitsACharacter) {
    const std::string text =
        "ab\xC3\xA9"
        "c";  // a b é c
    EXPECT_EQ(CutUtf8(text, 10), text);
    EXPECT_EQ(CutUtf8(text, 4), "ab\xC3\xA9");
    EXPECT_EQ(CutUtf8(text, 3), "ab");
    EXPECT_EQ(CutUtf8("\xF0\x9D\x84\x9E", 3), "");
}

}  // namespace
}  // namespace norvane::serial
