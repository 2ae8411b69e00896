// Taking over the window's handlers, creation on the design screen and on a smaller one,
// activation, and giving the handlers back.

#include <string>
#include <vector>

#include "sizer_fixture.h"

namespace norvane::sizing::testing {
namespace {

std::vector<TRect> BoundsOf(TMemoryForm& form) {
    std::vector<TRect> bounds;
    for (std::size_t i = 0; i < form.ComponentCount(); ++i) {
        if (IControl* control = form.Component(i).AsControl()) {
            bounds.push_back(control->Bounds());
        }
    }
    return bounds;
}

TEST_F(MainWindowTest, OnItsDesignScreenKeepsItsSizeAndEveryControl) {
    const std::vector<TRect> design = BoundsOf(Form);
    StartMainWindow();
    EXPECT_EQ(Client(), (TSize{552, 374}));
    EXPECT_EQ(BoundsOf(Form), design);
    EXPECT_EQ(Form.FontHeight(), 13);
    EXPECT_TRUE(Sizer->Enabled());
    EXPECT_TRUE(Sizer->AutoMode());
    EXPECT_FALSE(Form.AutoScroll());
    // One record for the window, one for each of its nine components.
    ASSERT_EQ(Sizer->Snapshot().size(), 10u);
    EXPECT_EQ(Sizer->Snapshot()[0].SavedBounds, (TRect{0, 0, 552, 374}));
    EXPECT_EQ(Sizer->Snapshot()[7].SavedBounds, At(24, 68, 505, 285));
    EXPECT_EQ(Sizer->Snapshot()[8].SavedBounds, TRect{});
    EXPECT_DOUBLE_EQ(Sizer->AspectRatio(), 374.0 / 552.0);
    EXPECT_EQ(Sizer->RightMargin(), 1);
    EXPECT_EQ(Sizer->BottomMargin(), 21);
}

TEST_F(MainWindowTest, OnASmallerScreenOnlyTheMarginsShrink) {
    Screen.SetSize(1024, 768);
    const std::vector<TRect> design = BoundsOf(Form);
    StartMainWindow();
    // 1 / 1280 * 1024 rounds to 1, 21 / 1024 * 768 = 15.75 to 16.
    EXPECT_EQ(Client(), (TSize{552, 369}));
    EXPECT_EQ(BoundsOf(Form), design);
    EXPECT_EQ(Form.FontHeight(), 13);
    EXPECT_EQ(Sizer->Snapshot()[0].SavedBounds, (TRect{0, 0, 552, 369}));
}

TEST_F(MainWindowTest, StartedOnAnyWindowSizeComesToTheDesignClientSize) {
    Form.UserResize(300, 200);
    StartMainWindow();
    EXPECT_EQ(Client(), (TSize{552, 374}));
}

TEST_F(MainWindowTest, ForwardsTakenOverEventsToTheWindowsOwnHandlers) {
    std::vector<std::string> calls;
    Form.Events().OnClick = [&](IForm& sender) {
        EXPECT_EQ(&sender, &Form);
        calls.push_back("click");
    };
    Form.Events().OnKeyDown = [&](IForm&, int& key, TShiftState shift) {
        calls.push_back("key " + std::to_string(key) + " " + std::to_string(shift));
        key = 0;
    };
    Form.Events().OnCloseQuery = [&](IForm&, bool& canClose) { canClose = false; };
    Form.Events().OnCreate = [&](IForm&) { calls.push_back("create"); };
    Form.Events().OnShow = [&](IForm&) { calls.push_back("show"); };
    Form.Events().OnActivate = [&](IForm&) { calls.push_back("activate"); };
    Form.Events().OnDeactivate = [&](IForm&) { calls.push_back("deactivate"); };
    StartMainWindow();

    RaiseEvent(Form.Events().OnClick, Form);
    int key = 65;
    RaiseEvent(Form.Events().OnKeyDown, Form, key, TShiftState{ssShift});
    bool canClose = true;
    RaiseEvent(Form.Events().OnCloseQuery, Form, canClose);
    RaiseEvent(Form.Events().OnMouseMove, Form, TShiftState{}, 1, 2);  // none of its own
    Form.Deactivate();

    EXPECT_EQ(key, 0);
    EXPECT_FALSE(canClose);
    EXPECT_EQ(calls, (std::vector<std::string>{"create", "show", "activate", "click", "key 65 1",
                                               "deactivate"}));
    EXPECT_FALSE(Sizer->Enabled());
}

TEST_F(MainWindowTest, GivesTheWindowItsOwnHandlersBackWhenDestroyed) {
    int ownResizes = 0;
    Form.Events().OnResize = [&](IForm&) { ++ownResizes; };
    StartMainWindow();
    EXPECT_TRUE(static_cast<bool>(Sizer->SavedHandlers().OnResize));
    Sizer.reset();

    ASSERT_TRUE(Form.Events().OnResize);
    EXPECT_FALSE(Form.Events().OnActivate);
    ownResizes = 0;
    Form.UserResize(700, 400);
    EXPECT_EQ(ownResizes, 1);
    EXPECT_EQ(Layout.MessageWindow.Bounds(), At(24, 68, 505, 285));
}

TEST_F(MainWindowTest, ControlsAddedBeforeCreationAreMeasuredAfterwardsNot) {
    Attach(MainFormSizerValues());
    Form.AddControl(At(24, 360, 100, 10));  // now 4 pixels below it, not 21
    EXPECT_EQ(Sizer->BottomMargin(), 4);

    Form.Create();
    Form.Activate();
    Form.UserResize(552, 450);
    const int referenceWidth = Sizer->RefClientWidth();
    Form.AddControl(At(10, 10, 10, 10));
    EXPECT_EQ(Sizer->RefClientWidth(), referenceWidth);
    EXPECT_EQ(Sizer->RefClientHeight(), 450);
}

TEST_F(MainWindowTest, FirstActivationRestoresTheSnapshotLaterOnesDoNot) {
    StartMainWindow();
    // The window is moved off its snapshot while nothing rescales it.
    Form.Deactivate();
    Form.UserResize(600, 300);
    Form.Activate();
    EXPECT_EQ(Client(), (TSize{552, 374}));

    Form.UserResize(552, 450);  // the first apply
    Form.Deactivate();
    Form.Activate();
    EXPECT_EQ(Client(), (TSize{664, 450}));
}

TEST_F(MainWindowTest, SecondSizerRestartsTheProcessWideCreationState) {
    StartMainWindow();
    EXPECT_TRUE(SizerProcessState().InitialScalingDone);
    TMemoryForm other(300, 200, 13);
    GTForm second(other, Screen);
    EXPECT_FALSE(SizerProcessState().InitialScalingDone);
    EXPECT_FALSE(SizerProcessState().FirstApplyPending);
}

}  // namespace
}  // namespace norvane::sizing::testing
