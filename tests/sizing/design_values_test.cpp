// The design strings and the write-once setters.

#include <gtest/gtest.h>

#include "sizer_fixture.h"
#include "sizing/design_strings.h"

namespace norvane::sizing::testing {
namespace {

TEST(DesignStrings, ScreenSizeAndMarginAroundTheFirstDash) {
    EXPECT_EQ(DesignScreenSize("1280-1"), 1280);
    EXPECT_EQ(DesignMargin("1280-1"), 1);
    EXPECT_EQ(DesignScreenSize("1024-21"), 1024);
    EXPECT_EQ(DesignMargin("1024-21"), 21);
    EXPECT_EQ(FormatDesignString(1024, 21), "1024-21");
}

TEST(DesignStrings, WithoutDashNoScreenAndNoMargin) {
    EXPECT_EQ(DesignScreenSize("1280"), 0);
    EXPECT_EQ(DesignMargin("1280"), std::nullopt);
    EXPECT_EQ(DesignScreenSize(""), 0);
}

TEST(DesignStrings, PartsThatAreNoDecimalNumbersAreNotRead) {
    EXPECT_EQ(DesignScreenSize("wide-1"), 0);
    EXPECT_EQ(DesignScreenSize("12x0-1"), 0);
    EXPECT_EQ(DesignMargin("1280-"), std::nullopt);
    EXPECT_EQ(DesignMargin("1280-1-2"), std::nullopt);
    // "1280--5": a negative margin could make the overflow correction chase itself.
    EXPECT_EQ(DesignMargin("1280--5"), std::nullopt);
}

class DesignStringProperties : public SizerTest {};

TEST_F(DesignStringProperties, AreWrittenOnceAndCutTo15Characters) {
    Construct();
    Sizer->SetGTDesignW("1280-1");
    Sizer->SetGTDesignW("800-5");
    EXPECT_EQ(Sizer->GTDesignW(), "1280-1");

    Sizer->SetGTDesignH("12345678901234567890");
    EXPECT_EQ(Sizer->GTDesignH(), "123456789012345");
    Sizer->SetGTDesignH("1024-21");
    EXPECT_EQ(Sizer->GTDesignH(), "123456789012345");
}

TEST_F(DesignStringProperties, MarginsComeFromStringsWithDashOnly) {
    Construct();
    Sizer->SetGTDesignW("1280-7");
    Sizer->SetGTDesignH("1024");
    Sizer->ParseDesignMargins();
    EXPECT_EQ(Sizer->RightMargin(), 7);
    EXPECT_EQ(Sizer->DesignScreenWidth(), 1280);
    EXPECT_EQ(Sizer->DesignScreenHeight(), 0);
    Sizer->SetGTDesignW("");
    EXPECT_EQ(Sizer->GTDesignW(), "1280-7");
    EXPECT_EQ(Sizer->BottomMargin(), 0);
}

TEST_F(DesignStringProperties, StoredClientSizeSizesTheWindow) {
    Construct();
    Sizer->SetGTClientWidth(600);
    Sizer->SetGTClientHeight(410);
    EXPECT_EQ(Client(), (TSize{600, 410}));
    EXPECT_FALSE(Sizer->GTUpdate());
    Sizer->SetGTUpdate(true);
    EXPECT_FALSE(Sizer->GTUpdate());
}

}  // namespace
}  // namespace norvane::sizing::testing
