// User resizes: keeping the aspect ratio, limits, the minimum size, maximizing, a new screen
// resolution, labels beside their controls, and a deactivated window.

#include <vector>

#include "sizer_fixture.h"

namespace norvane::sizing::testing {
namespace {

TEST_F(MainWindowTest, DraggingTheBottomBorderMakesTheWidthFollow) {
    int ownResizes = 0;
    bool busyWhileScaling = false;
    Form.Events().OnResize = [&](IForm&) {
        ++ownResizes;
        busyWhileScaling = Form.RedrawSuspended() && Screen.Cursor() == TCursor::HourGlass;
    };
    StartMainWindow();
    ownResizes = 0;

    Form.UserResize(552, 450);
    // round(450 / (374 / 552)) = round(664.17)
    EXPECT_EQ(Client(), (TSize{664, 450}));
    EXPECT_EQ(Layout.MessageWindow.Bounds(), (TRect{29, 82, 636, 425}));
    EXPECT_EQ(Form.FontHeight(), 16);
    EXPECT_EQ(ownResizes, 1);
    EXPECT_TRUE(busyWhileScaling);
    EXPECT_FALSE(Form.RedrawSuspended());
    EXPECT_EQ(Screen.Cursor(), TCursor::Default);
    EXPECT_FALSE(SizerProcessState().InResizeHandler);
    EXPECT_FALSE(SizerProcessState().FirstApplyPending);
}

TEST_F(MainWindowTest, DraggingASideMakesTheHeightFollow) {
    int ownResizes = 0;
    Form.Events().OnResize = [&](IForm&) { ++ownResizes; };
    StartMainWindow();
    ownResizes = 0;

    Form.UserResize(700, 374);
    // round(700 * 374 / 552) = round(474.28); scaled to the width first, then the height.
    EXPECT_EQ(Client(), (TSize{700, 474}));
    EXPECT_EQ(Layout.MessageWindow.Bounds(), (TRect{30, 86, 671, 447}));
    EXPECT_EQ(Form.FontHeight(), 16);
    EXPECT_EQ(ownResizes, 2);
}

TEST_F(MainWindowTest, DraggingACornerKeepsTheAspectRatioAndScalesInProportion) {
    StartMainWindow();
    Form.UserResize(800, 500);
    EXPECT_EQ(Client(), (TSize{800, 542}));
    Form.UserResize(1104, 700);
    EXPECT_EQ(Client(), (TSize{1104, 748}));
    // Twice the design size, give or take the rounding of each step.
    const TRect log = Layout.MessageWindow.Bounds();
    EXPECT_NEAR(log.Left, 48, 1);
    EXPECT_NEAR(log.Top, 136, 1);
    EXPECT_NEAR(log.Width(), 1010, 2);
    EXPECT_NEAR(log.Height(), 570, 2);
    // Each step rounds the font height it scales from: 13 -> 17 -> 18 -> 23 -> 25.
    EXPECT_EQ(Form.FontHeight(), 25);
}

TEST_F(MainWindowTest, TooLowClientSpringsBackToTheReferenceSize) {
    StartMainWindow();
    Form.UserResize(552, 450);
    ASSERT_EQ(Client(), (TSize{664, 450}));
    const TRect before = Layout.MessageWindow.Bounds();

    Form.UserResize(664, 80);
    EXPECT_EQ(Client(), (TSize{664, 450}));
    EXPECT_EQ(Layout.MessageWindow.Bounds(), before);
}

TEST_F(MainWindowTest, TooLowFirstResizeStopsAtAQuarterOfTheReferenceSize) {
    StartMainWindow();
    // Right after creation there is no spring-back; the quarter-size minimum holds instead:
    // round(552 / 4) x round(374 / 4).
    Form.UserResize(552, 80);
    EXPECT_EQ(Client(), (TSize{138, 94}));
}

TEST_F(MainWindowTest, MinimumWidthHoldsWhicheverBorderIsDragged) {
    StartMainWindow();
    Sizer->SetRtMinimumWidth(400);
    Form.UserResize(300, 374);
    EXPECT_EQ(Client(), (TSize{400, 271}));
    // The bottom border alone: the width derived from the height would be 221.
    Form.UserResize(400, 150);
    EXPECT_EQ(Client(), (TSize{400, 271}));
}

TEST_F(MainWindowTest, WithoutLimitsTheWidthFollowsTheHeightDown) {
    StartMainWindow();
    Form.UserResize(552, 200);
    EXPECT_EQ(Client(), (TSize{295, 200}));
}

TEST_F(MainWindowTest, MaximumWidthHolds) {
    StartMainWindow();
    Sizer->SetRtMaximumWidth(600);
    Form.UserResize(800, 374);
    EXPECT_EQ(Client(), (TSize{600, 407}));
}

TEST_F(MainWindowTest, StartedMaximizedRestoresTheSnapshotWhenRestored) {
    Form.SetWindowState(TWindowState::Maximized);
    StartMainWindow();
    EXPECT_TRUE(SizerProcessState().CreatedMaximized);
    EXPECT_FALSE(Sizer->SameSize());

    Form.UserResize(1280, 950);
    EXPECT_NE(Layout.MessageWindow.Bounds(), At(24, 68, 505, 285));
    EXPECT_EQ(Form.FontHeight(), 30);  // the width ratio drives the fonts: 13 * 1280 / 552

    Form.SetWindowState(TWindowState::Normal);
    Form.UserResize(600, 410);
    EXPECT_FALSE(SizerProcessState().CreatedMaximized);
    EXPECT_EQ(Client(), (TSize{552, 374}));
    EXPECT_EQ(Layout.MessageWindow.Bounds(), At(24, 68, 505, 285));
    EXPECT_EQ(Layout.DownBtn.Bounds(), At(24, 8, 25, 25));
    EXPECT_EQ(Form.FontHeight(), 13);
}

TEST_F(MainWindowTest, NewScreenResolutionReturnsToTheSnapshotSizeWhenShown) {
    StartMainWindow();
    Form.UserResize(800, 500);
    ASSERT_EQ(Client(), (TSize{800, 542}));

    Screen.SetSize(1024, 768);
    Form.Show();
    EXPECT_EQ(Client(), (TSize{552, 374}));
    EXPECT_EQ(Sizer->LastScreenWidth(), 1024);
    EXPECT_EQ(Sizer->Snapshot()[0].SavedBounds, (TRect{0, 0, 552, 374}));
    const TRect log = Layout.MessageWindow.Bounds();
    EXPECT_NEAR(log.Left, 24, 1);
    EXPECT_NEAR(log.Bottom, 353, 1);
    // Scaled back, not restored: 18 * 374 / 542 rounds to 12.
    EXPECT_EQ(Form.FontHeight(), 12);
}

TEST_F(MainWindowTest, NewScreenResolutionReturnsToTheSnapshotSizeOnTheNextResize) {
    StartMainWindow();
    Form.UserResize(800, 500);
    Screen.SetSize(1024, 768);
    Form.UserResize(900, 600);
    EXPECT_EQ(Client(), (TSize{552, 374}));
    EXPECT_EQ(Sizer->LastScreenHeight(), 768);
}

// The sizer is off while the window is inactive; a window resized meanwhile kept its old
// layout until the next resize after it was activated again.
TEST_F(MainWindowTest, ResizeWhileInactiveIsAppliedWhenTheWindowIsActivatedAgain) {
    StartMainWindow();
    Form.UserResize(552, 450);  // the first apply
    const TRect applied = Layout.MessageWindow.Bounds();
    Form.Deactivate();
    Form.UserResize(700, 474);
    EXPECT_EQ(Client(), (TSize{700, 474}));
    EXPECT_EQ(Layout.MessageWindow.Bounds(), applied);

    Form.Activate();
    // Scaled to the size it was given, which stays: from (29, 82, 636, 425) at 664 x 450.
    EXPECT_EQ(Client(), (TSize{700, 474}));
    EXPECT_EQ(Layout.MessageWindow.Bounds(), (TRect{31, 86, 670, 448}));
    Form.Deactivate();
    Form.Activate();
    EXPECT_EQ(Layout.MessageWindow.Bounds(), (TRect{31, 86, 670, 448}));
}

TEST_F(MainWindowTest, GrowingNonClientAreaIsGivenToTheClient) {
    std::vector<int> heights;
    Form.Events().OnResize = [&](IForm&) { heights.push_back(Form.ClientHeight()); };
    StartMainWindow();
    heights.clear();

    // The window narrows and its menu bar wraps to a second line, 20 pixels more.
    Form.SetNonClientHeight(70);
    Form.UserResize(460, 374);
    // The first apply gives the 20 pixels back to the client; the aspect ratio then sets the
    // height from the width.
    EXPECT_EQ(heights, (std::vector<int>{394, 312}));
    EXPECT_EQ(Client(), (TSize{460, 312}));
}

// Two labels, one above its edit and one to the left of its edit, in a 400 x 300 window.
class LabelTest : public SizerTest {
  protected:
    LabelTest() {
        Form.UserResize(400, 300);
        NameLabel.WithFocusControl(NameEdit).WithAlignment(TAlignment::RightJustify);
        CityLabel.WithFocusControl(CityEdit);
    }
    void StartForm() {
        TStoredSizerValues values;
        values.GTDesignW = "1280-130";
        values.GTDesignH = "1024-181";
        values.GTClientWidth = 400;
        values.GTClientHeight = 300;
        Start(values);
    }
    void ExpectBesideTheirControls() {
        EXPECT_EQ(NameLabel.Bounds().Bottom, NameEdit.Bounds().Top - 5);
        EXPECT_EQ(CityLabel.Bounds().Right, CityEdit.Bounds().Left - 5);
    }

    TMemoryControl& NameLabel = Form.Add(TMemoryKind::kLabel, "TLabel", At(20, 20, 40, 13));
    TMemoryControl& NameEdit = Form.Add(TMemoryKind::kEdit, "TEdit", At(20, 40, 200, 21));
    TMemoryControl& CityLabel = Form.Add(TMemoryKind::kLabel, "TLabel", At(20, 100, 40, 13));
    TMemoryControl& CityEdit = Form.Add(TMemoryKind::kEdit, "TEdit", At(70, 98, 200, 21));
};

TEST_F(LabelTest, StayFivePixelsAboveOrLeftOfTheirControls) {
    StartForm();
    ASSERT_EQ(Client(), (TSize{400, 300}));
    for (const TSize size : {TSize{600, 300}, TSize{600, 200}, TSize{1000, 900}}) {
        Form.UserResize(size.Width, size.Height);
        ExpectBesideTheirControls();
    }
}

TEST_F(LabelTest, GetTheirRecordedAlignmentBack) {
    StartForm();
    NameLabel.SetAlignment(TAlignment::Center);
    Form.UserResize(600, 300);
    EXPECT_EQ(NameLabel.Alignment(), TAlignment::RightJustify);
    EXPECT_EQ(CityLabel.Alignment(), TAlignment::LeftJustify);
}

}  // namespace
}  // namespace norvane::sizing::testing
