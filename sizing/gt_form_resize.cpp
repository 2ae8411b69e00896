// The resize pipeline: the resize handler, the size limits, keeping the aspect ratio, the
// non-client compensation, the minimum size and the labels beside their controls.

#include "base/bankers_rounding.h"
#include "sizing/gt_form.h"
#include "sizing/gt_form_busy_scope.h"
#include "sizing/sizer_process_state.h"

namespace norvane::sizing {

// Resizes made while the handler runs raise no further resize events for the sizer: the
// handler takes itself out of the window's slot and puts itself back, also on an exception.
class GTForm::TResizeHandlerScope {
  public:
    explicit TResizeHandlerScope(GTForm& sizer) : Sizer_(sizer) {
        Sizer_.InstallResizeHandler({});
        SizerProcessState().InResizeHandler = true;
    }
    ~TResizeHandlerScope() {
        Sizer_.InstallResizeHandler([sizer = &Sizer_](IForm&) { sizer->HandleResize(); });
        SizerProcessState().InResizeHandler = false;
    }
    TResizeHandlerScope(const TResizeHandlerScope&) = delete;
    TResizeHandlerScope& operator=(const TResizeHandlerScope&) = delete;

  private:
    GTForm& Sizer_;
};

void GTForm::HandleResize() {
    if (SizerProcessState().InResizeHandler) {
        return;
    }
    TResizeHandlerScope handler(*this);
    TBusyScope busy(*this);
    ResizeBody();
}

void GTForm::ResizeBody() {
    if (!Enabled_ && !AutoMode_) {
        return;
    }
    const TLimits limits = CurrentLimits();
    ApplyLimits(limits);
    const int width = Owner_->ClientWidth();
    const int height = Owner_->ClientHeight();
    if ((width == limits.MinWidth && height == limits.MinHeight) ||
        (width == limits.MaxWidth && height == limits.MaxHeight) || !AutoMode_) {
        ApplyResize();
        return;
    }
    KeepAspect();
    KeepLimitsWithAspect(limits);
}

GTForm::TLimits GTForm::CurrentLimits() const {
    if (!SameSize_) {
        return {RtMinimumWidth_, RtMaximumWidth_, RtMinimumHeight_, RtMaximumHeight_};
    }
    // With SameSize the limits are in design-screen pixels.
    const int designWidth = DesignScreenWidth();
    const int designHeight = DesignScreenHeight();
    const int screenWidth = Screen_.Width();
    const int screenHeight = Screen_.Height();
    return {FromDesignScreen(RtMinimumWidth_, designWidth, screenWidth),
            FromDesignScreen(RtMaximumWidth_, designWidth, screenWidth),
            FromDesignScreen(RtMinimumHeight_, designHeight, screenHeight),
            FromDesignScreen(RtMaximumHeight_, designHeight, screenHeight)};
}

void GTForm::ApplyLimits(const TLimits& limits) {
    if (limits.MinWidth != 0 && limits.MinWidth >= Owner_->ClientWidth()) {
        Owner_->SetClientWidth(limits.MinWidth);
    }
    if (limits.MinHeight != 0 && limits.MinHeight >= Owner_->ClientHeight()) {
        Owner_->SetClientHeight(limits.MinHeight);
    }
    if (limits.MaxWidth != 0 && Owner_->ClientWidth() >= limits.MaxWidth) {
        Owner_->SetClientWidth(limits.MaxWidth);
    }
    if (limits.MaxHeight != 0 && Owner_->ClientHeight() >= limits.MaxHeight) {
        Owner_->SetClientHeight(limits.MaxHeight);
    }
}

void GTForm::KeepLimitsWithAspect(const TLimits& limits) {
    // Keeping the aspect ratio derives one side from the other after the limits were
    // applied, so dragging only the bottom border could take the width below its minimum.
    // Such a side is brought back to its limit and the other one follows the ratio.
    if (AspectRatio_ <= 0.0) {
        return;
    }
    const auto clamp = [](int value, int minimum, int maximum) {
        if (minimum != 0 && value < minimum) {
            return minimum;
        }
        if (maximum != 0 && value > maximum) {
            return maximum;
        }
        return value;
    };
    const int width = Owner_->ClientWidth();
    const int height = Owner_->ClientHeight();
    const int limitedWidth = clamp(width, limits.MinWidth, limits.MaxWidth);
    const int limitedHeight = clamp(height, limits.MinHeight, limits.MaxHeight);
    if (limitedWidth != width) {
        Owner_->SetClientWidth(limitedWidth);
        Owner_->SetClientHeight(base::RoundHalfEven(limitedWidth * AspectRatio_));
    } else if (limitedHeight != height) {
        Owner_->SetClientHeight(limitedHeight);
        Owner_->SetClientWidth(base::RoundHalfEven(limitedHeight / AspectRatio_));
    } else {
        return;
    }
    ApplyResize();
}

void GTForm::KeepAspect() {
    if (AspectBusy_) {
        return;
    }
    AspectBusy_ = true;
    CheckScreenChange();
    if (Owner_->WindowState() == TWindowState::Maximized) {
        SetAutoMode(false);
        ApplyResize();
        Maximizing_ = true;
    }
    if (AutoMode_) {
        SetAutoMode(false);
        if (HasSnapshot() &&
            (RefClientHeight_ <= base::RoundHalfEven(SnapshotClientHeight() / 3.0) ||
             RefClientWidth_ <= base::RoundHalfEven(SnapshotClientWidth() / 3.0))) {
            RestoreSnapshot();
        }
        if (AspectRatio_ > 0.0) {
            if (Owner_->ClientWidth() != RefClientWidth_) {
                // The user moved a side: scale to it, then let the height follow.
                ApplyResize();
                RefClientHeight_ = Owner_->ClientHeight();
                Owner_->SetClientHeight(base::RoundHalfEven(Owner_->ClientWidth() * AspectRatio_));
            } else if (!Maximizing_) {
                // Only the height changed: the width follows it.
                RefClientWidth_ = Owner_->ClientWidth();
                Owner_->SetClientWidth(base::RoundHalfEven(Owner_->ClientHeight() / AspectRatio_));
            }
        }
        ApplyResize();
        SetAutoMode(true);
    }
    AspectBusy_ = false;
}

void GTForm::ApplyResize() {
    TSizerProcessState& process = SizerProcessState();
    if (!IsBusy() && !AspectBusy_ && LastScreenWidth_ != 0 && Screen_.Width() != LastScreenWidth_) {
        // A new screen resolution: the aspect path returns the window to its snapshot.
        const bool autoMode = AutoMode_;
        SetAutoMode(true);
        KeepAspect();
        SetAutoMode(autoMode);
        return;
    }
    SavedActiveControl_ = Owner_->ActiveControl();
    const bool maximized = Owner_->WindowState() == TWindowState::Maximized;
    if (process.CreatedMaximized && !maximized) {
        process.CreatedMaximized = false;
        RestoreSnapshot();
        return;
    }
    if (InApply_) {
        return;
    }
    InApply_ = true;
    if (maximized) {
        Maximizing_ = true;
    }
    Owner_->SetAutoScroll(false);
    if (!IsBusy()) {
        SavedActiveControl_ = Owner_->ActiveControl();
    }
    CompensateNonClient();
    if (!Enabled_ && !Maximizing_) {
        SetEnabled(true);
    }
    if (HasSnapshot() && RefClientHeight_ <= base::RoundHalfEven(SnapshotClientHeight() / 3.0)) {
        RestoreSnapshot();
    }
    // Reporting the limits and recapturing the design values after an apply are a form
    // designer's steps; at run time they do nothing.
    const int minimumHeight = EnforceMinimumClient();
    ScaleAll(minimumHeight);
    InApply_ = false;
    if (process.FirstApplyPending) {
        process.FirstApplyPending = false;
    } else {
        RestoreActiveControl();
    }
    if (Maximizing_) {
        if (AspectBusy_) {
            SetAutoMode(true);
        }
        Maximizing_ = false;
    }
    PlaceLabels();
    RaiseEvent(Saved_.OnResize, *Owner_);
}

void GTForm::CompensateNonClient() {
    // When the area around the client grows (a menu bar wrapping to a second line as the
    // window narrows) the client area grows by as much, and shrinks again as it unwraps.
    const int extra = Owner_->Height() - Owner_->ClientHeight() - NonClientHeight_;
    const int change = extra - ExtraNonClient_;
    ExtraNonClient_ = extra;
    if (change != 0) {
        Owner_->SetClientHeight(Owner_->ClientHeight() + change);
    }
}

int GTForm::EnforceMinimumClient() {
    const TSizerProcessState& process = SizerProcessState();
    if (process.FirstApplyPending || Owner_->ClientHeight() >= kMinimumClientHeight ||
        SpecialMinApplied_) {
        return kMinimumClientHeight;
    }
    RestoreActiveControl();
    if (Owner_->WindowState() != TWindowState::Maximized) {
        if (Owner_->ClientWidth() < RefClientWidth_) {
            Owner_->SetClientWidth(RefClientWidth_);
        }
        if (Owner_->ClientHeight() < RefClientHeight_) {
            Owner_->SetClientHeight(RefClientHeight_);
        }
        if (AutoMode_) {
            KeepAspect();
        }
    }
    InApply_ = false;
    return kMinimumClientHeight;
}

void GTForm::PlaceLabels() {
    constexpr int kGap = 5;
    std::size_t labelCount = 0;
    const std::size_t count = Owner_->ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
        IControl* control = Owner_->Component(i).AsControl();
        ILabel* label = control != nullptr ? control->AsLabel() : nullptr;
        if (label == nullptr) {
            continue;
        }
        IControl* focus = label->FocusControl();
        const int focusIndex = focus != nullptr ? ComponentIndexOf(*focus) : -1;
        // Controls added after the snapshot have no record to tell where the label stood.
        if (focusIndex >= 0 && i + 1 < Snapshot_.size() &&
            static_cast<std::size_t>(focusIndex) + 1 < Snapshot_.size()) {
            const TRect label0 = Snapshot_[i + 1].SavedBounds;
            const TRect focus0 = Snapshot_[focusIndex + 1].SavedBounds;
            const bool above =
                label0.Top < focus0.Top && label0.Bottom < focus0.Top + focus0.Height() / 3.0;
            TRect bounds = control->Bounds();
            const TRect target = focus->Bounds();
            if (above) {
                const int height = bounds.Height();
                bounds.Bottom = target.Top - kGap;
                bounds.Top = bounds.Bottom - height;
            } else {
                const int width = bounds.Width();
                bounds.Right = target.Left - kGap;
                bounds.Left = bounds.Right - width;
            }
            control->SetBounds(bounds);
        }
        if (labelCount < LabelAligns_.size()) {
            label->SetAlignment(LabelAligns_[labelCount]);
        }
        ++labelCount;
    }
}

}  // namespace norvane::sizing
