// Proportional scaling of bounds and fonts, the special control and the snapshot.

#include <vector>

#include "sizer_fixture.h"

namespace norvane::sizing::testing {
namespace {

// A 400 x 300 window with font 15, its sizer holding that as its reference size; the
// window is then resized by hand and scaled with ScaleAll.
class ScalingTest : public SizerTest {
  protected:
    ScalingTest() {
        Form.UserResize(400, 300);
        Form.SetFontHeight(15);
    }
    void TakeReference() {
        Construct();
        Sizer->SetGTClientWidth(400);
        Sizer->SetGTClientHeight(300);
        Sizer->SetReferenceSize();
    }
    void ScaleTo(int width, int height) {
        Form.UserResize(width, height);
        Sizer->ScaleAll(kMinimumClientHeight);
    }
};

TEST_F(ScalingTest, AtTheReferenceSizeNothingChangesNotEvenFonts) {
    TMemoryControl& own = Form.AddControl(At(10, 20, 100, 40)).WithFont(15);
    TakeReference();
    Sizer->ScaleAll(kMinimumClientHeight);
    EXPECT_EQ(own.Bounds(), At(10, 20, 100, 40));
    EXPECT_EQ(own.FontAssignments(), 0);
    EXPECT_EQ(Form.FontHeight(), 15);
}

TEST_F(ScalingTest, BoundsAndFontsScaleWithTheHeightRatio) {
    TMemoryControl& own = Form.AddControl(At(10, 20, 100, 40)).WithFont(15);
    TMemoryControl& ignored = Form.AddControl(At(200, 20, 100, 40)).WithFont(15).WithTag(1);
    TMemoryControl& grid =
        Form.Add(TMemoryKind::kPlain, "GTStringGrid", At(10, 200, 100, 40)).WithFont(15);
    TMemoryControl& follower = Form.AddControl(At(10, 100, 100, 40));
    TakeReference();
    ScaleTo(600, 450);

    EXPECT_EQ(own.Bounds(), (TRect{15, 30, 165, 90}));
    EXPECT_EQ(own.FontHeight(), 22);  // 22.5 goes to the even neighbour
    EXPECT_EQ(ignored.Bounds(), (TRect{300, 30, 450, 90}));
    EXPECT_EQ(ignored.FontHeight(), 15);
    EXPECT_EQ(grid.FontHeight(), 15);
    EXPECT_EQ(follower.FontAssignments(), 0);
    EXPECT_TRUE(follower.ParentFont());
    EXPECT_EQ(Form.FontHeight(), 22);
    EXPECT_EQ(Sizer->RefClientWidth(), 600);
    EXPECT_EQ(Sizer->RefClientHeight(), 450);
    EXPECT_DOUBLE_EQ(Sizer->RefFontHeight(), 22.0);
}

TEST_F(ScalingTest, BelowTheMinimumHeightBoundsScaleButFontsStay) {
    TMemoryControl& own = Form.AddControl(At(10, 20, 100, 40)).WithFont(15);
    TakeReference();
    ScaleTo(400, 90);
    EXPECT_EQ(own.Bounds(), (TRect{10, 6, 110, 18}));
    EXPECT_EQ(own.FontHeight(), 15);
    EXPECT_EQ(Form.FontHeight(), 15);
}

TEST_F(ScalingTest, AlignedControlsScaleOnlyTheSidesTheAlignmentLeavesThem) {
    TMemoryControl& top = Form.AddControl({0, 0, 400, 30}).WithAlign(TAlign::Top);
    TMemoryControl& bottom = Form.AddControl({0, 270, 400, 300}).WithAlign(TAlign::Bottom);
    TMemoryControl& left = Form.AddControl({0, 30, 50, 270}).WithAlign(TAlign::Left);
    TMemoryControl& right = Form.AddControl({350, 30, 400, 270}).WithAlign(TAlign::Right);
    TMemoryControl& client = Form.AddControl({50, 30, 350, 270}).WithAlign(TAlign::Client);
    TakeReference();
    ScaleTo(600, 450);
    EXPECT_EQ(top.Bounds(), (TRect{0, 0, 400, 45}));
    EXPECT_EQ(bottom.Bounds(), (TRect{0, 270, 400, 315}));
    EXPECT_EQ(left.Bounds(), (TRect{0, 30, 75, 270}));
    EXPECT_EQ(right.Bounds(), (TRect{525, 45, 600, 405}));
    EXPECT_EQ(client.Bounds(), (TRect{75, 45, 525, 405}));
}

TEST_F(ScalingTest, NestedControlsScaleByTheWindowsRatios) {
    TMemoryControl& panel = Form.AddControl({10, 10, 210, 110});
    TMemoryControl& inner = Form.AddControl({5, 5, 55, 25}).WithParent(panel);
    TakeReference();
    ScaleTo(600, 450);
    EXPECT_EQ(panel.Bounds(), (TRect{15, 15, 315, 165}));
    EXPECT_EQ(inner.Bounds(), (TRect{8, 8, 82, 38}));
}

TEST_F(ScalingTest, LookupComboKeepsItsDropDownFromGrowing) {
    TMemoryControl& combo = Form.Add(TMemoryKind::kPlain, "TDBLookupCombo", {10, 10, 110, 30});
    TakeReference();
    ScaleTo(600, 450);
    EXPECT_EQ(combo.Bounds(), (TRect{15, 15, 165, 34}));
}

TEST_F(ScalingTest, TabbedNotebookScalesItsTabFontToo) {
    TMemoryControl& notebook =
        Form.Add(TMemoryKind::kTabbedNotebook, "TTabbedNotebook", {10, 10, 210, 210})
            .WithFont(14)
            .WithTabFont(12);
    TakeReference();
    ScaleTo(600, 450);
    EXPECT_EQ(notebook.FontHeight(), 21);
    EXPECT_EQ(notebook.TabFontHeight(), 18);
}

TEST_F(ScalingTest, MeasuringSettlesAutoSizeOfLabelsEditsAndImages) {
    TMemoryControl& label = Form.Add(TMemoryKind::kLabel, "TLabel", At(10, 10, 40, 13));
    TMemoryControl& edit = Form.Add(TMemoryKind::kEdit, "TEdit", At(10, 30, 100, 21));
    TMemoryControl& masked = Form.Add(TMemoryKind::kMaskedEdit, "TMaskEdit", At(10, 60, 100, 21));
    TMemoryControl& image = Form.Add(TMemoryKind::kImage, "TImage", At(10, 90, 32, 32));
    label.SetAutoSize(true);
    image.SetAutoSize(true);
    TakeReference();
    Sizer->MeasureSpecialControl();
    EXPECT_FALSE(label.AutoSize());
    EXPECT_TRUE(edit.AutoSize());
    EXPECT_TRUE(masked.AutoSize());
    EXPECT_FALSE(image.AutoSize());
}

TEST_F(ScalingTest, MediaPlayerIsTheSpecialControlWhereverItStands) {
    Form.Add(TMemoryKind::kPlain, "TDBNavigator", At(10, 10, 100, 25));
    Form.Add(TMemoryKind::kPlain, "TMediaPlayer", At(10, 50, 100, 30));
    Form.Add(TMemoryKind::kPlain, "GTNavigator", At(10, 90, 100, 25));
    TakeReference();
    Sizer->MeasureSpecialControl();
    EXPECT_EQ(Sizer->SpecialRect(), At(10, 50, 253, 30));
    EXPECT_EQ(Sizer->SpecialMinWidth(), 253);
    EXPECT_EQ(Sizer->SpecialMinHeight(), 20);
}

TEST_F(ScalingTest, NavigatorIsWidenedAndGivesItsMinimum) {
    Form.Add(TMemoryKind::kPlain, "GTNavigator", At(10, 10, 300, 25));
    TakeReference();
    Sizer->MeasureSpecialControl();
    EXPECT_EQ(Sizer->SpecialRect(), At(10, 10, 300, 25));  // wide enough already
    EXPECT_EQ(Sizer->SpecialMinWidth(), 151);
    EXPECT_EQ(Sizer->SpecialMinHeight(), 14);
}

TEST_F(ScalingTest, WithoutSpecialControlTheWindowKeepsAQuarterOfItsSize) {
    Form.AddControl(At(10, 10, 100, 40));
    TakeReference();
    Sizer->MeasureSpecialControl();
    ScaleTo(80, 60);
    EXPECT_EQ(Client(), (TSize{100, 75}));
}

TEST_F(ScalingTest, SameSizePullsControlsThatStickOutBackInside) {
    Form.UserResize(300, 200);
    TMemoryControl& wide = Form.AddControl({10, 10, 350, 100});
    Construct();
    Sizer->SetGTDesignW("1280-10");
    Sizer->SetGTDesignH("1024-20");
    Sizer->SetSameSize(true);
    // Scaled from the extent plus the design margins, 360 x 120, to 300 x 200.
    EXPECT_EQ(wide.Bounds(), (TRect{8, 17, 292, 167}));
}

TEST_F(MainWindowTest, RestoreSnapshotUndoesAnySequenceOfResizes) {
    Layout.ExitBtn.WithFont(11);
    std::vector<TRect> design;
    for (std::size_t i = 0; i < Form.ComponentCount(); ++i) {
        if (IControl* control = Form.Component(i).AsControl()) {
            design.push_back(control->Bounds());
        }
    }
    StartMainWindow();
    for (const TSize size : {TSize{552, 450}, TSize{800, 542}, TSize{300, 200}, TSize{552, 80},
                             TSize{1000, 700}, TSize{123, 456}}) {
        Form.UserResize(size.Width, size.Height);
    }
    ASSERT_NE(Layout.MessageWindow.Bounds(), At(24, 68, 505, 285));
    ASSERT_NE(Layout.ExitBtn.FontHeight(), 11);

    Sizer->RestoreSnapshot();
    std::vector<TRect> restored;
    for (std::size_t i = 0; i < Form.ComponentCount(); ++i) {
        if (IControl* control = Form.Component(i).AsControl()) {
            restored.push_back(control->Bounds());
        }
    }
    EXPECT_EQ(restored, design);
    EXPECT_EQ(Client(), (TSize{552, 374}));
    EXPECT_EQ(Form.FontHeight(), 13);
    EXPECT_EQ(Layout.ExitBtn.FontHeight(), 11);
    EXPECT_TRUE(Layout.MessageLabel.ParentFont());
    EXPECT_TRUE(Sizer->Enabled());
    EXPECT_FALSE(Form.RedrawSuspended());
    EXPECT_EQ(Screen.Cursor(), TCursor::Default);
}

}  // namespace
}  // namespace norvane::sizing::testing
