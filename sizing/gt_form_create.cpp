// Sizing the window at creation for the current screen, and the handlers around it: show,
// activation, deactivation and a change of screen resolution.

#include "base/bankers_rounding.h"
#include "sizing/gt_form.h"
#include "sizing/sizer_process_state.h"

namespace norvane::sizing {
namespace {

// size, laid out on a design screen, as the same share (times share) of the current screen.
// Without a design screen size the size is only multiplied by share.
int ScreenShare(int screen, int size, int designScreen, double share) {
    if (designScreen <= 0) {
        return base::RoundHalfEven(size * share);
    }
    return base::RoundHalfEven(static_cast<double>(screen) * size / designScreen * share);
}

}  // namespace

void GTForm::FitToMargins() {
    MeasureExtent();
    ParseDesignMargins();
    const TSizerProcessState& process = SizerProcessState();
    Owner_->SetClientWidth(FromDesignScreen(RightMargin_, DesignScreenWidth(), Screen_.Width()) +
                           process.ExtentRight);
    Owner_->SetClientHeight(
        FromDesignScreen(BottomMargin_, DesignScreenHeight(), Screen_.Height()) +
        process.ExtentBottom);
}

void GTForm::HandleCreate() {
    TSizerProcessState& process = SizerProcessState();
    Owner_->SetClientHeight(GTClientHeight_);
    Owner_->SetClientWidth(GTClientWidth_);
    Owner_->SetAutoScroll(false);
    NonClientHeight_ = Owner_->Height() - Owner_->ClientHeight();
    ExtraNonClient_ = 0;
    if (Owner_->WindowState() == TWindowState::Maximized) {
        SetSameSize(false);
        process.CreatedMaximized = true;
    }
    FitToMargins();
    InitialScale();
    if (!IsBusy()) {
        SetAutoMode(true);
    }
    if (IsBusy()) {
        return;
    }

    const bool maximized = Owner_->WindowState() == TWindowState::Maximized;
    if (!maximized) {
        MeasureExtent();
        ParseDesignMargins();
        RefClientWidth_ = FromDesignScreen(RightMargin_, DesignScreenWidth(), Screen_.Width()) +
                          process.ExtentRight;
        RefClientHeight_ = FromDesignScreen(BottomMargin_, DesignScreenHeight(), Screen_.Height()) +
                           process.ExtentBottom;
        ScaleAll(kMinimumClientHeight);
    }
    RaiseEvent(Saved_.OnCreate, *Owner_);

    if (!maximized && RtDisplayWidth_ != 0 && RtDisplayHeight_ != 0) {
        const bool autoMode = AutoMode_;
        if (SameSize_) {
            SetGTClientWidth(
                FromDesignScreen(RtDisplayWidth_, DesignScreenWidth(), Screen_.Width()));
            SetGTClientHeight(
                FromDesignScreen(RtDisplayHeight_, DesignScreenHeight(), Screen_.Height()));
        } else {
            SetGTClientWidth(RtDisplayWidth_);
            SetGTClientHeight(RtDisplayHeight_);
        }
        SetAutoMode(autoMode);
    }
    RebuildSnapshot();
}

void GTForm::InitialScale() {
    TSizerProcessState& process = SizerProcessState();
    Owner_->SetAutoScroll(false);
    CaptureDesign();
    if (!process.InitialScalingDone) {
        process.FirstApplyPending = true;
    }
    if (SameSize_) {
        InitialScaleSameSize();
    } else {
        InitialScaleKeep();
    }
    Owner_->SetPixelsPerInch(Screen_.PixelsPerInch());
    process.InitialScalingDone = true;
    SetReferenceSize();
}

void GTForm::InitialScaleKeep() {
    // The design-screen corrections (small-font and large-font screens) depend on the screen
    // height a form designer recorded; at run time none of them applies.
    const TSizerProcessState& process = SizerProcessState();
    const int width =
        process.ExtentRight == 0 ? RefClientWidth_ : process.ExtentRight + MeasuredRightMargin_;
    const int height =
        process.ExtentBottom == 0 ? RefClientHeight_ : process.ExtentBottom + MeasuredBottomMargin_;
    RefClientHeight_ = height;
    RefClientWidth_ = width;
    if (process.FirstApplyPending && !process.InitialScalingDone) {
        TakeSnapshot();
    }
}

void GTForm::InitialScaleSameSize() {
    const TSizerProcessState& process = SizerProcessState();
    const int designWidth = DesignScreenWidth();
    const int designHeight = DesignScreenHeight();
    SetReferenceSize();
    // First at nine tenths of the share, which is where the snapshot is taken, then at the
    // full share through the resize pipeline.
    Owner_->SetClientWidth(ScreenShare(Screen_.Width(), GTClientWidth_, designWidth, 0.9));
    Owner_->SetClientHeight(ScreenShare(Screen_.Height(), GTClientHeight_, designHeight, 0.9));
    ScaleAll(kMinimumClientHeight);
    if (process.FirstApplyPending && !process.InitialScalingDone) {
        TakeSnapshot();
    }
    Owner_->SetClientWidth(ScreenShare(Screen_.Width(), GTClientWidth_, designWidth, 1.0));
    Owner_->SetClientHeight(ScreenShare(Screen_.Height(), GTClientHeight_, designHeight, 1.0));
    ApplyResize();
    if (Owner_->ClientWidth() != GTClientWidth_) {
        const std::size_t count = Owner_->ComponentCount();
        for (std::size_t i = 0; i < count; ++i) {
            IControl* control = Owner_->Component(i).AsControl();
            if (control != nullptr && !control->IsWindow()) {
                ScaleFont(*control, 0.9);
            }
        }
    }
    RebuildSnapshot();
    SetReferenceSize();
}

void GTForm::HandleShow() {
    CheckShowScreen();
    RaiseEvent(Saved_.OnShow, *Owner_);
}

void GTForm::CheckShowScreen() {
    if (IsBusy() || Screen_.Width() == LastScreenWidth_) {
        return;
    }
    ScreenChanged_ = true;
    ApplyResize();
    ScreenChanged_ = false;
}

void GTForm::HandleActivate() {
    const TSizerProcessState& process = SizerProcessState();
    Owner_->SetAutoScroll(false);
    if (process.InitialScalingDone) {
        SetEnabled(true);
        if (process.FirstApplyPending && !process.CreatedMaximized) {
            RestoreSnapshot();
        }
        if (Owner_->IsMdiChild() || ResizedWhileInactive()) {
            ApplyResize();
        }
        AlignPages();
    }
    RaiseEvent(Saved_.OnActivate, *Owner_);
}

bool GTForm::ResizedWhileInactive() const {
    // Every apply ends with the reference size at the client size it scaled to. Until the
    // first apply the first activation restores the snapshot instead.
    return !SizerProcessState().FirstApplyPending &&
           Owner_->WindowState() != TWindowState::Minimized &&
           (Owner_->ClientWidth() != RefClientWidth_ || Owner_->ClientHeight() != RefClientHeight_);
}

void GTForm::HandleDeactivate() {
    RaiseEvent(Saved_.OnDeactivate, *Owner_);
    SetEnabled(false);
}

void GTForm::CheckScreenChange() {
    if (Owner_->WindowState() == TWindowState::Maximized) {
        return;
    }
    if (LastScreenWidth_ != 0 && Screen_.Width() != LastScreenWidth_ && HasSnapshot()) {
        int width = SnapshotClientWidth();
        int height = SnapshotClientHeight();
        const bool offSnapshot = Owner_->ClientWidth() != width || Owner_->ClientHeight() != height;
        if (offSnapshot || ScreenChanged_) {
            SetEnabled(false);
            SetAutoMode(false);
            if (SameSize_) {
                width = ScreenShare(Screen_.Width(), width, LastScreenWidth_, 1.0);
                height = ScreenShare(Screen_.Height(), height, LastScreenHeight_, 1.0);
            }
            Owner_->SetClientWidth(width);
            Owner_->SetClientHeight(height);
            ScaleAll(kMinimumClientHeight);
            ScreenChanged_ = false;
        }
        MeasureSpecialControl();
        RebuildSnapshot();
        SetEnabled(true);
        SetAutoMode(true);
    }
    LastScreenWidth_ = Screen_.Width();
    LastScreenHeight_ = Screen_.Height();
}

void GTForm::AlignPages() {
    bool rebuild = false;
    const std::size_t count = Owner_->ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
        IControl* control = Owner_->Component(i).AsControl();
        IPageControl* pages = control != nullptr ? control->AsPageControl() : nullptr;
        if (pages == nullptr || pages->PageCount() == 0) {
            continue;
        }
        const TRect first = pages->PageBounds(0);
        // A first page without width gives no bounds to align to; the pages stay as they are.
        if (first.Right <= 0) {
            continue;
        }
        for (int page = 0; page < pages->PageCount(); ++page) {
            if (pages->PageBounds(page).Right == 0) {
                rebuild = true;
            }
            pages->SetPageBounds(page, first);
        }
    }
    // A page that had no size yet has had no proper record either.
    if (rebuild) {
        RebuildSnapshot();
    }
}

}  // namespace norvane::sizing
