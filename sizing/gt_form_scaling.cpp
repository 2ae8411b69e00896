// Proportional scaling of the window's controls and fonts, and the special control that
// bounds how small the window may become.

#include <algorithm>

#include "base/bankers_rounding.h"
#include "sizing/gt_form.h"

namespace norvane::sizing {
namespace {

// A coordinate measured against an old client extent, moved to a new one.
int ScaleEdge(int coordinate, int oldExtent, int newExtent) {
    if (oldExtent == newExtent || oldExtent == 0) {
        return coordinate;
    }
    return base::RoundHalfEven(static_cast<double>(coordinate) * newExtent / oldExtent);
}

TRect ScaleRect(const TRect& rect, int oldWidth, int newWidth, int oldHeight, int newHeight) {
    return {ScaleEdge(rect.Left, oldWidth, newWidth), ScaleEdge(rect.Top, oldHeight, newHeight),
            ScaleEdge(rect.Right, oldWidth, newWidth),
            ScaleEdge(rect.Bottom, oldHeight, newHeight)};
}

// A special control: the window must not shrink so far that it becomes unusable.
struct TSpecialClass {
    const char* Name;
    int MinWidth;
    int MinHeight;
    int WidenTo;  // the bounds are widened to the right to at least this width
};
constexpr TSpecialClass kMediaPlayer{"TMediaPlayer", 253, 20, 253};
constexpr TSpecialClass kDbNavigator{"TDBNavigator", 191, 18, 241};
constexpr TSpecialClass kGtNavigator{"GTNavigator", 151, 14, 241};

}  // namespace

void GTForm::ScaleFont(IControl& control, double factor) {
    if (control.ParentFont()) {
        return;
    }
    ITabbedNotebook* notebook = control.AsTabbedNotebook();
    if (factor == kSaveFonts) {
        if (CurrentRecord_ != nullptr) {
            CurrentRecord_->FontHeight = control.FontHeight();
            if (notebook != nullptr) {
                CurrentRecord_->TabFontHeight = notebook->TabFontHeight();
            }
        }
    } else if (factor == kRestoreFonts) {
        if (CurrentRecord_ != nullptr) {
            control.SetFontHeight(CurrentRecord_->FontHeight);
            if (notebook != nullptr) {
                notebook->SetTabFontHeight(CurrentRecord_->TabFontHeight);
            }
        }
    } else {
        control.SetFontHeight(base::RoundHalfEven(control.FontHeight() * factor));
        if (notebook != nullptr) {
            notebook->SetTabFontHeight(base::RoundHalfEven(notebook->TabFontHeight() * factor));
        }
    }
}

void GTForm::ScaleEachControl(double factor) {
    const int clientWidth = Owner_->ClientWidth();
    const int clientHeight = Owner_->ClientHeight();
    SpecialRect_ =
        ScaleRect(SpecialRect_, RefClientWidth_, clientWidth, RefClientHeight_, clientHeight);

    const std::size_t count = Owner_->ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
        IControl* control = Owner_->Component(i).AsControl();
        if (control == nullptr || control->IsWindow()) {
            continue;
        }
        const TRect bounds = control->Bounds();
        switch (control->Align()) {
            case TAlign::Top:
            case TAlign::Bottom:
                // The alignment places it; only its height is its own.
                control->SetHeight(ScaleEdge(bounds.Height(), RefClientHeight_, clientHeight));
                break;
            case TAlign::Left:
                control->SetWidth(ScaleEdge(bounds.Width(), RefClientWidth_, clientWidth));
                break;
            default: {
                TRect scaled =
                    ScaleRect(bounds, RefClientWidth_, clientWidth, RefClientHeight_, clientHeight);
                // A lookup combo's height includes its drop-down list, which must not grow
                // with the window.
                if (control->ClassName() == "TDBLookupCombo" && bounds.Height() < scaled.Bottom) {
                    scaled.Bottom = base::RoundHalfEven(scaled.Bottom * 0.75);
                }
                control->SetBounds(scaled);
                break;
            }
        }
        if (control->ClassName() != "GTStringGrid" && control->Tag() != IgnoreTag_) {
            ScaleFont(*control, factor);
        }
    }
}

void GTForm::ScaleAll(int minimumHeight) {
    if (Owner_->ClientHeight() == RefClientHeight_ && Owner_->ClientWidth() == RefClientWidth_) {
        return;
    }
    // Without a reference size there is nothing to scale from.
    if (RefClientHeight_ <= 0 || RefClientWidth_ <= 0) {
        return;
    }
    SavedActiveControl_ = Owner_->ActiveControl();
    if (!Maximizing_) {
        EnforceSpecialMinimum();
    }
    // The vertical ratio drives every font.
    double factor = static_cast<double>(Owner_->ClientHeight()) / RefClientHeight_;

    const std::size_t count = Owner_->ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
        IControl* control = Owner_->Component(i).AsControl();
        if (ILabel* label = control != nullptr ? control->AsLabel() : nullptr) {
            label->SetAutoSize(AspectBusy_);
        }
    }
    if (Owner_->ClientHeight() < minimumHeight) {
        factor = 1.0;
    }
    // Both corrections need the snapshot's ratio; before the first snapshot there is none.
    const bool haveRatio = AspectRatio_ > 0.0;
    if (haveRatio && !AspectToggle_ && Maximizing_) {
        factor = Owner_->ClientWidth() * AspectRatio_ / RefClientHeight_;
        AspectToggle_ = true;
    } else if (haveRatio && AspectToggle_) {
        AspectToggle_ = false;
        factor = Owner_->ClientHeight() / (RefClientWidth_ * AspectRatio_);
    }
    ScaleEachControl(factor);
    // Before the first reference size there is no font height to scale from; a height of 0
    // would not be a font.
    if (RefFontHeight_ != 0.0) {
        Owner_->SetFontHeight(base::RoundHalfEven(RefFontHeight_ * factor));
    }
    SetReferenceSize();
    RestoreActiveControl();
}

void GTForm::MeasureSpecialControl() {
    MediaPlayerSeen_ = false;
    NavigatorSeen_ = false;
    const auto takeSpecial = [this](const IControl& control, const TSpecialClass& special) {
        SpecialRect_ = control.Bounds();
        SpecialRect_.Right = std::max(SpecialRect_.Right, SpecialRect_.Left + special.WidenTo);
        SpecialMinWidth_ = special.MinWidth;
        SpecialMinHeight_ = special.MinHeight;
    };

    const std::size_t count = Owner_->ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
        IControl* control = Owner_->Component(i).AsControl();
        if (control == nullptr) {
            continue;
        }
        const std::string className = control->ClassName();
        if (ILabel* label = control->AsLabel()) {
            label->SetAutoSize(false);
        } else if (IAutoSizeControl* edit = control->AsSingleLineEdit()) {
            edit->SetAutoSize(true);
        } else if (IAutoSizeControl* image = control->AsImage()) {
            image->SetAutoSize(false);
        } else if (IAutoSizeControl* masked = control->AsMaskedEdit()) {
            masked->SetAutoSize(true);
        } else if (className == kMediaPlayer.Name) {
            MediaPlayerSeen_ = true;
            NavigatorSeen_ = false;
            takeSpecial(*control, kMediaPlayer);
        } else if (!MediaPlayerSeen_ &&
                   (className == kDbNavigator.Name || className == kGtNavigator.Name)) {
            NavigatorSeen_ = true;
            takeSpecial(*control, className == kDbNavigator.Name ? kDbNavigator : kGtNavigator);
        }
    }
    if (!MediaPlayerSeen_ && !NavigatorSeen_) {
        SpecialRect_ = {0, 0, RefClientWidth_, RefClientHeight_};
        SpecialMinHeight_ = base::RoundHalfEven(RefClientHeight_ * 0.25);
        SpecialMinWidth_ = base::RoundHalfEven(RefClientWidth_ * 0.25);
    }
    if (RefClientWidth_ > 0) {
        MaxRatioWidth_ =
            std::max(MaxRatioWidth_, static_cast<double>(SpecialRect_.Width()) / RefClientWidth_);
    }
    if (RefClientHeight_ > 0) {
        MaxRatioHeight_ = std::max(MaxRatioHeight_,
                                   static_cast<double>(SpecialRect_.Height()) / RefClientHeight_);
    }
}

void GTForm::EnforceSpecialMinimum() {
    SpecialMinApplied_ = false;
    if (RefClientWidth_ <= 0 || RefClientHeight_ <= 0) {
        return;
    }
    const double clientWidth = Owner_->ClientWidth();
    const double clientHeight = Owner_->ClientHeight();
    const int scaledWidth =
        base::RoundHalfEven(clientWidth * SpecialRect_.Right / RefClientWidth_) -
        base::RoundHalfEven(clientWidth * SpecialRect_.Left / RefClientWidth_);
    const int scaledHeight =
        base::RoundHalfEven(clientHeight * SpecialRect_.Bottom / RefClientHeight_) -
        base::RoundHalfEven(clientHeight * SpecialRect_.Top / RefClientHeight_);
    if (scaledWidth < SpecialMinWidth_ && MaxRatioWidth_ > 0.0) {
        Owner_->SetClientWidth(base::RoundHalfEven(SpecialMinWidth_ / MaxRatioWidth_));
        SpecialMinApplied_ = true;
    }
    if (scaledHeight < SpecialMinHeight_ && MaxRatioHeight_ > 0.0) {
        Owner_->SetClientHeight(base::RoundHalfEven(SpecialMinHeight_ / MaxRatioHeight_));
        SpecialMinApplied_ = true;
    }
}

}  // namespace norvane::sizing
