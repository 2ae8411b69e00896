// Measuring the layout, capturing the design values, and the snapshot every rescale can fall
// back on.

#include <cstdlib>

#include "sizing/gt_form.h"
#include "sizing/gt_form_busy_scope.h"
#include "sizing/sizer_process_state.h"

namespace norvane::sizing {
namespace {

// A control the sizer moves and scales: every control except those that are windows.
IControl* ScalableControl(IComponent& component) {
    IControl* control = component.AsControl();
    return control != nullptr && !control->IsWindow() ? control : nullptr;
}

}  // namespace

void GTForm::MeasureExtent() {
    TSizerProcessState& process = SizerProcessState();
    process.ExtentRight = 0;
    process.ExtentBottom = 0;
    const std::size_t count = Owner_->ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
        IControl* control = ScalableControl(Owner_->Component(i));
        if (control == nullptr || control->Parent() != nullptr) {
            continue;
        }
        const TRect bounds = control->Bounds();
        if (bounds.Right > process.ExtentRight) {
            process.ExtentRight = bounds.Right;
        }
        if (bounds.Bottom > process.ExtentBottom) {
            process.ExtentBottom = bounds.Bottom;
        }
    }
    if (SameSize_) {
        CorrectOverflow();
    }
}

void GTForm::CorrectOverflow() {
    // The correction measures the extent again, which corrects again; one level is all it
    // takes to pull the controls back inside, and more could recurse without end when the
    // rescale cannot change the client size.
    if (IsBusy() || CorrectingOverflow_) {
        return;
    }
    const TSizerProcessState& process = SizerProcessState();
    if (Owner_->ClientWidth() - process.ExtentRight >= 0) {
        return;
    }
    CorrectingOverflow_ = true;
    ParseDesignMargins();
    RefClientWidth_ = process.ExtentRight + RightMargin_;
    RefClientHeight_ = process.ExtentBottom + BottomMargin_;
    ScaleAll(kMinimumClientHeight);
    MeasureExtent();
    CorrectingOverflow_ = false;
}

void GTForm::MeasureMargins() {
    if ((Owner_->State() & (csDestroying | csWriting)) != 0) {
        return;
    }
    MeasureExtent();
    const TSizerProcessState& process = SizerProcessState();
    RightMargin_ = std::abs(Owner_->ClientWidth() - process.ExtentRight);
    MeasuredRightMargin_ = RightMargin_;
    BottomMargin_ = std::abs(Owner_->ClientHeight() - process.ExtentBottom);
    MeasuredBottomMargin_ = BottomMargin_;
}

void GTForm::CaptureDesign() {
    RefClientHeight_ = GTClientHeight_;
    RefClientWidth_ = GTClientWidth_;
    MeasureMargins();
    LastScreenWidth_ = Screen_.Width();
    LastScreenHeight_ = Screen_.Height();
}

void GTForm::SetReferenceSize() {
    RefClientWidth_ = Owner_->ClientWidth();
    RefClientHeight_ = Owner_->ClientHeight();
    RefFontHeight_ = Owner_->FontHeight();
}

void GTForm::TakeSnapshot() {
    TObjs window;
    window.SavedBounds = {0, 0, Owner_->ClientWidth(), Owner_->ClientHeight()};
    window.FontHeight = Owner_->FontHeight();
    Snapshot_.push_back(window);
    if (window.SavedBounds.Right != 0) {
        AspectRatio_ = static_cast<double>(window.SavedBounds.Bottom) / window.SavedBounds.Right;
    }

    const std::size_t count = Owner_->ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
        TObjs record;
        CurrentRecord_ = &record;
        if (IControl* control = ScalableControl(Owner_->Component(i))) {
            record.SavedBounds = control->Bounds();
            ScaleFont(*control, kSaveFonts);
        }
        CurrentRecord_ = nullptr;
        Snapshot_.push_back(record);
    }
    CaptureLabelAlignments();
}

void GTForm::CaptureLabelAlignments() {
    const std::size_t count = Owner_->ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
        IControl* control = Owner_->Component(i).AsControl();
        if (ILabel* label = control != nullptr ? control->AsLabel() : nullptr) {
            LabelAligns_.push_back(label->Alignment());
        }
    }
}

void GTForm::ClearSnapshot() {
    CurrentRecord_ = nullptr;
    Snapshot_.clear();
    LabelAligns_.clear();
}

void GTForm::RebuildSnapshot() {
    ClearSnapshot();
    TakeSnapshot();
    SetReferenceSize();
    MeasureSpecialControl();
    RestoreSnapshot();
}

void GTForm::RestoreSnapshot() {
    if (!HasSnapshot()) {
        return;
    }
    TBusyScope busy(*this);
    bool autoModeWasOn = false;
    // Labels and edits left fitting themselves to their content (auto-size) may override the
    // bounds the first pass gives them; that pass ends by settling their auto-size switches,
    // so the bounds of the second pass stick.
    for (int pass = 0; pass < 2; ++pass) {
        SetEnabled(false);
        if (AutoMode_) {
            SetAutoMode(false);
            autoModeWasOn = true;
        }
        RestorePass();
    }
    if (autoModeWasOn) {
        SetAutoMode(true);
    }
    SetEnabled(true);
}

void GTForm::RestorePass() {
    const TObjs& window = Snapshot_.front();
    Owner_->SetClientHeight(window.SavedBounds.Bottom);
    Owner_->SetClientWidth(window.SavedBounds.Right);
    Owner_->SetFontHeight(window.FontHeight);

    const std::size_t count = Owner_->ComponentCount();
    for (std::size_t i = 0; i < count && i + 1 < Snapshot_.size(); ++i) {
        IControl* control = ScalableControl(Owner_->Component(i));
        if (control == nullptr) {
            continue;
        }
        CurrentRecord_ = &Snapshot_[i + 1];
        control->SetBounds(CurrentRecord_->SavedBounds);
        ScaleFont(*control, kRestoreFonts);
    }
    CurrentRecord_ = nullptr;
    MeasureMargins();
    SetReferenceSize();
    MeasureSpecialControl();
}

int GTForm::SnapshotClientWidth() const {
    return Snapshot_.front().SavedBounds.Right;
}

int GTForm::SnapshotClientHeight() const {
    return Snapshot_.front().SavedBounds.Bottom;
}

}  // namespace norvane::sizing
