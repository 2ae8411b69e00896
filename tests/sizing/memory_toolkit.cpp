#include "memory_toolkit.h"

namespace norvane::sizing::testing {

void TMemoryScreen::SetCursor(TCursor cursor) {
    if (cursor == TCursor::HourGlass && Cursor_ != cursor) {
        ++BusyCursorShown_;
    }
    Cursor_ = cursor;
}

TMemoryControl::TMemoryControl(TMemoryForm& form, TMemoryKind kind, std::string className,
                               TRect bounds)
    : Form_(form), Kind_(kind), ClassName_(std::move(className)), Bounds_(bounds) {}

ILabel* TMemoryControl::AsLabel() {
    return Kind_ == TMemoryKind::kLabel ? this : nullptr;
}

IAutoSizeControl* TMemoryControl::AsSingleLineEdit() {
    return Kind_ == TMemoryKind::kEdit ? this : nullptr;
}

IAutoSizeControl* TMemoryControl::AsMaskedEdit() {
    return Kind_ == TMemoryKind::kMaskedEdit ? this : nullptr;
}

IAutoSizeControl* TMemoryControl::AsImage() {
    return Kind_ == TMemoryKind::kImage ? this : nullptr;
}

IPageControl* TMemoryControl::AsPageControl() {
    return Kind_ == TMemoryKind::kPageControl ? this : nullptr;
}

ITabbedNotebook* TMemoryControl::AsTabbedNotebook() {
    return Kind_ == TMemoryKind::kTabbedNotebook ? this : nullptr;
}

int TMemoryControl::FontHeight() const {
    if (!ParentFont_) {
        return FontHeight_;
    }
    return Parent_ != nullptr ? Parent_->FontHeight() : Form_.FontHeight();
}

void TMemoryControl::SetFontHeight(int height) {
    ParentFont_ = false;
    FontHeight_ = height;
    ++FontAssignments_;
}

TMemoryControl& TMemoryControl::WithParent(TMemoryControl& parent) {
    Parent_ = &parent;
    return *this;
}

TMemoryControl& TMemoryControl::WithAlign(TAlign align) {
    Align_ = align;
    return *this;
}

TMemoryControl& TMemoryControl::WithTag(int tag) {
    Tag_ = tag;
    return *this;
}

TMemoryControl& TMemoryControl::WithFont(int height) {
    ParentFont_ = false;
    FontHeight_ = height;
    return *this;
}

TMemoryControl& TMemoryControl::WithTabFont(int height) {
    TabFontHeight_ = height;
    return *this;
}

TMemoryControl& TMemoryControl::WithFocusControl(TMemoryControl& control) {
    FocusControl_ = &control;
    return *this;
}

TMemoryControl& TMemoryControl::WithAlignment(TAlignment alignment) {
    Alignment_ = alignment;
    return *this;
}

TMemoryControl& TMemoryControl::WithPages(std::vector<TRect> pages) {
    Pages_ = std::move(pages);
    return *this;
}

TMemoryControl& TMemoryControl::WithVisible(bool visible) {
    Visible_ = visible;
    return *this;
}

TMemoryForm::TMemoryForm(int clientWidth, int clientHeight, int fontHeight, int nonClientHeight)
    : ClientWidth_(clientWidth),
      ClientHeight_(clientHeight),
      FontHeight_(fontHeight),
      NonClientHeight_(nonClientHeight) {}

void TMemoryForm::SetClientWidth(int width) {
    if (width == ClientWidth_) {
        return;
    }
    ClientWidth_ = width;
    RaiseResize();
}

void TMemoryForm::SetClientHeight(int height) {
    if (height == ClientHeight_) {
        return;
    }
    ClientHeight_ = height;
    RaiseResize();
}

void TMemoryForm::UserResize(int clientWidth, int clientHeight) {
    ClientWidth_ = clientWidth;
    ClientHeight_ = clientHeight;
    RaiseResize();
}

void TMemoryForm::RaiseResize() {
    ++ResizeEvents_;
    RaiseEvent(Events_.OnResize, *this);
}

void TMemoryForm::SetOwnerNotification(TOwnerNotification notification) {
    Notification_ = std::move(notification);
}

void TMemoryForm::SetRedrawSuspended(bool suspended) {
    if (suspended && !RedrawSuspended_) {
        ++RedrawSuspensions_;
    }
    RedrawSuspended_ = suspended;
}

TMemoryControl& TMemoryForm::Add(TMemoryKind kind, std::string className, TRect bounds) {
    auto control = std::make_unique<TMemoryControl>(*this, kind, std::move(className), bounds);
    TMemoryControl& added = *control;
    Components_.push_back(std::move(control));
    RaiseEvent(Notification_, added, TOperation::Insert);
    return added;
}

TMemoryComponent& TMemoryForm::AddComponent() {
    auto component = std::make_unique<TMemoryComponent>();
    TMemoryComponent& added = *component;
    Components_.push_back(std::move(component));
    return added;
}

namespace {

TRect At(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

}  // namespace

TMainWindowLayout::TMainWindowLayout(TMemoryForm& form)
    : Bevel1(form.Add(TMemoryKind::kPlain, "TBevel", At(0, 0, 551, 2))),
      DownBtn(form.Add(TMemoryKind::kPlain, "TToolButton", At(24, 8, 25, 25))),
      UpBtn(form.Add(TMemoryKind::kPlain, "TToolButton", At(48, 8, 25, 25))),
      ComBtn(form.Add(TMemoryKind::kPlain, "TToolButton", At(88, 8, 25, 25))),
      ExitBtn(form.Add(TMemoryKind::kPlain, "TToolButton", At(129, 8, 25, 25))),
      MessageLabel(form.Add(TMemoryKind::kLabel, "TLabel", At(24, 46, 52, 13))),
      MessageWindow(form.Add(TMemoryKind::kPlain, "TMemo", At(24, 68, 505, 285))) {
    form.AddComponent();  // StartupTimer
    form.AddComponent();  // MainMenu
}

}  // namespace norvane::sizing::testing
