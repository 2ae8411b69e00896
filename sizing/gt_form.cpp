#include "sizing/gt_form.h"

#include "base/bankers_rounding.h"
#include "sizing/design_strings.h"
#include "sizing/sizer_process_state.h"

namespace norvane::sizing {

GTForm::GTForm(IForm& owner, IScreen& screen) : Owner_(&owner), Screen_(screen) {
    SizerProcessState().InitialScalingDone = false;
    IgnoreTag_ = 1;
    SaveHandlers();
    InstallHandlers();
    SizerProcessState().FirstApplyPending = false;
    SetGTUpdate(false);
    Owner_->SetOwnerNotification([this](IComponent& component, TOperation operation) {
        OwnerNotification(component, operation);
    });
}

GTForm::~GTForm() {
    SetEnabled(false);
    Owner_->SetOwnerNotification({});
    RestoreHandlers();
    Owner_ = nullptr;
    ClearSnapshot();
}

// --- Event take-over -------------------------------------------------------------------

void GTForm::SaveHandlers() {
    Saved_ = Owner_->Events();
}

void GTForm::RestoreHandlers() {
    Owner_->Events() = Saved_;
}

void GTForm::InstallHandlers() {
    TFormEventSlots& handlers = Owner_->Events();
    handlers.OnActivate = [this](IForm&) { HandleActivate(); };
    handlers.OnCreate = [this](IForm&) { HandleCreate(); };
    handlers.OnDeactivate = [this](IForm&) { HandleDeactivate(); };
    handlers.OnResize = [this](IForm&) { CaptureDesign(); };
    handlers.OnShow = [this](IForm&) { HandleShow(); };

    // The rest only pass the event on to the window's own handler.
    const auto forward = [this](auto member) {
        return [this, member](IForm&, auto&&... args) {
            RaiseEvent(Saved_.*member, *Owner_, std::forward<decltype(args)>(args)...);
        };
    };
    handlers.OnClick = forward(&TFormEventSlots::OnClick);
    handlers.OnClose = forward(&TFormEventSlots::OnClose);
    handlers.OnCloseQuery = forward(&TFormEventSlots::OnCloseQuery);
    handlers.OnDblClick = forward(&TFormEventSlots::OnDblClick);
    handlers.OnDestroy = forward(&TFormEventSlots::OnDestroy);
    handlers.OnDragDrop = forward(&TFormEventSlots::OnDragDrop);
    handlers.OnDragOver = forward(&TFormEventSlots::OnDragOver);
    handlers.OnHide = forward(&TFormEventSlots::OnHide);
    handlers.OnKeyDown = forward(&TFormEventSlots::OnKeyDown);
    handlers.OnKeyPress = forward(&TFormEventSlots::OnKeyPress);
    handlers.OnKeyUp = forward(&TFormEventSlots::OnKeyUp);
    handlers.OnMouseDown = forward(&TFormEventSlots::OnMouseDown);
    handlers.OnMouseMove = forward(&TFormEventSlots::OnMouseMove);
    handlers.OnMouseUp = forward(&TFormEventSlots::OnMouseUp);
    handlers.OnPaint = forward(&TFormEventSlots::OnPaint);
}

void GTForm::InstallResizeHandler(TNotifyEvent handler) {
    Owner_->Events().OnResize = std::move(handler);
}

// --- Properties ------------------------------------------------------------------------

void GTForm::SetGTUpdate(bool) {
    // Recapturing the design values is a form designer's business; at run time the command
    // has nothing to do and the property keeps reading false.
}

void GTForm::SetSameSize(bool sameSize) {
    SameSize_ = sameSize;
    CaptureDesign();
}

void GTForm::SetGTDesignH(std::string_view value) {
    if (GTDesignH_.empty()) {
        GTDesignH_ = CutDesignString(value);
    }
}

void GTForm::SetGTDesignW(std::string_view value) {
    if (GTDesignW_.empty()) {
        GTDesignW_ = CutDesignString(value);
    }
}

void GTForm::SetGTClientHeight(int height) {
    GTClientHeight_ = height;
    Owner_->SetClientHeight(height);
}

void GTForm::SetGTClientWidth(int width) {
    GTClientWidth_ = width;
    Owner_->SetClientWidth(width);
}

void GTForm::SetEnabled(bool enabled) {
    if (enabled == Enabled_) {
        return;
    }
    Enabled_ = enabled;
    if (enabled) {
        InstallResizeHandler([this](IForm&) { HandleResize(); });
    } else {
        InstallResizeHandler({});
    }
}

// --- Owner notification ----------------------------------------------------------------

void GTForm::OwnerNotification(IComponent& component, TOperation) {
    IControl* control = component.AsControl();
    if (control == nullptr || control->IsWindow()) {
        return;
    }
    if ((Owner_->State() & (csDestroying | csWriting)) != 0) {
        return;
    }
    // Once the snapshot exists the controls no longer stand at the design size, so a
    // recapture (which takes the design client size as the reference) would make the next
    // rescale scale every control from the wrong size. A control added now gets its record
    // at the next rebuild.
    if (HasSnapshot()) {
        return;
    }
    CaptureDesign();
}

// --- Small operations ------------------------------------------------------------------

bool GTForm::IsBusy() const {
    return (Owner_->State() & (csLoading | csReading | csWriting | csDestroying)) != 0;
}

void GTForm::SetAutoMode(bool on) {
    Owner_->SetAutoScroll(false);
    AutoMode_ = on;
    if (on && !Enabled_) {
        SetEnabled(true);
    }
}

int GTForm::DesignScreenWidth() const {
    return DesignScreenSize(GTDesignW_);
}

int GTForm::DesignScreenHeight() const {
    return DesignScreenSize(GTDesignH_);
}

void GTForm::ParseDesignMargins() {
    if (const auto margin = DesignMargin(GTDesignW_)) {
        RightMargin_ = *margin;
    }
    if (const auto margin = DesignMargin(GTDesignH_)) {
        BottomMargin_ = *margin;
    }
}

int GTForm::FromDesignScreen(double value, int designScreen, int screen) const {
    if (designScreen <= 0) {
        return base::RoundHalfEven(value);
    }
    return base::RoundHalfEven(value / designScreen * screen);
}

int GTForm::ComponentIndexOf(const IControl& control) {
    const std::size_t count = Owner_->ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
        if (Owner_->Component(i).AsControl() == &control) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void GTForm::RestoreActiveControl() {
    if (!IsBusy() && SavedActiveControl_ != nullptr && SavedActiveControl_->Visible()) {
        Owner_->SetActiveControl(*SavedActiveControl_);
    }
}

}  // namespace norvane::sizing
