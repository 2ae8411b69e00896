#pragma once
// A window toolkit held in memory, for exact numbers in the sizer's tests. Setting a client
// size raises the window's OnResize slot at once, as a real window does; the tests raise the
// other events (create, show, activate, a user's resize) through the helpers.

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "sizing/toolkit.h"

namespace norvane::sizing::testing {

class TMemoryScreen final : public IScreen {
  public:
    TMemoryScreen(int width, int height, int pixelsPerInch = 96)
        : Width_(width), Height_(height), PixelsPerInch_(pixelsPerInch) {}

    int Width() const override { return Width_; }
    int Height() const override { return Height_; }
    int PixelsPerInch() const override { return PixelsPerInch_; }
    void SetCursor(TCursor cursor) override;

    void SetSize(int width, int height) {
        Width_ = width;
        Height_ = height;
    }
    TCursor Cursor() const { return Cursor_; }
    int BusyCursorShown() const { return BusyCursorShown_; }

  private:
    int Width_;
    int Height_;
    int PixelsPerInch_;
    TCursor Cursor_ = TCursor::Default;
    int BusyCursorShown_ = 0;
};

class TMemoryForm;

enum class TMemoryKind {
    kPlain,
    kWindow,
    kLabel,
    kEdit,
    kMaskedEdit,
    kImage,
    kPageControl,
    kTabbedNotebook,
};

class TMemoryControl final : public IControl,
                             public ILabel,
                             public IPageControl,
                             public ITabbedNotebook {
  public:
    TMemoryControl(TMemoryForm& form, TMemoryKind kind, std::string className, TRect bounds);

    std::string ClassName() const override { return ClassName_; }
    bool IsWindow() const override { return Kind_ == TMemoryKind::kWindow; }
    ILabel* AsLabel() override;
    IAutoSizeControl* AsSingleLineEdit() override;
    IAutoSizeControl* AsMaskedEdit() override;
    IAutoSizeControl* AsImage() override;
    IPageControl* AsPageControl() override;
    ITabbedNotebook* AsTabbedNotebook() override;
    IControl* Parent() override { return Parent_; }
    TRect Bounds() const override { return Bounds_; }
    void SetBounds(const TRect& bounds) override { Bounds_ = bounds; }
    void SetWidth(int width) override { Bounds_.Right = Bounds_.Left + width; }
    void SetHeight(int height) override { Bounds_.Bottom = Bounds_.Top + height; }
    TAlign Align() const override { return Align_; }
    int Tag() const override { return Tag_; }
    bool ParentFont() const override { return ParentFont_; }
    int FontHeight() const override;
    void SetFontHeight(int height) override;
    bool Visible() const override { return Visible_; }

    bool AutoSize() const override { return AutoSize_; }
    void SetAutoSize(bool on) override { AutoSize_ = on; }
    IControl* FocusControl() override { return FocusControl_; }
    TAlignment Alignment() const override { return Alignment_; }
    void SetAlignment(TAlignment alignment) override { Alignment_ = alignment; }

    int PageCount() const override { return static_cast<int>(Pages_.size()); }
    TRect PageBounds(int index) const override { return Pages_.at(index); }
    void SetPageBounds(int index, const TRect& bounds) override { Pages_.at(index) = bounds; }
    int TabFontHeight() const override { return TabFontHeight_; }
    void SetTabFontHeight(int height) override { TabFontHeight_ = height; }

    // Set-up; all return *this.
    TMemoryControl& WithParent(TMemoryControl& parent);
    TMemoryControl& WithAlign(TAlign align);
    TMemoryControl& WithTag(int tag);
    // A font of its own instead of the parent's.
    TMemoryControl& WithFont(int height);
    TMemoryControl& WithTabFont(int height);
    TMemoryControl& WithFocusControl(TMemoryControl& control);
    TMemoryControl& WithAlignment(TAlignment alignment);
    TMemoryControl& WithPages(std::vector<TRect> pages);
    TMemoryControl& WithVisible(bool visible);

    // How often the sizer gave this control a font height.
    int FontAssignments() const { return FontAssignments_; }

  private:
    TMemoryForm& Form_;
    TMemoryKind Kind_;
    std::string ClassName_;
    TRect Bounds_;
    TMemoryControl* Parent_ = nullptr;
    TAlign Align_ = TAlign::None;
    int Tag_ = 0;
    bool ParentFont_ = true;
    int FontHeight_ = 0;
    int TabFontHeight_ = 0;
    bool Visible_ = true;
    bool AutoSize_ = false;
    TMemoryControl* FocusControl_ = nullptr;
    TAlignment Alignment_ = TAlignment::LeftJustify;
    std::vector<TRect> Pages_;
    int FontAssignments_ = 0;
};

// A component without a place on screen (a timer, a menu).
class TMemoryComponent final : public IComponent {
  public:
    IControl* AsControl() override { return nullptr; }
};

class TMemoryForm final : public IForm {
  public:
    // nonClientHeight: outer height minus client height (caption, borders, menu bar).
    TMemoryForm(int clientWidth, int clientHeight, int fontHeight, int nonClientHeight = 50);

    int ClientWidth() const override { return ClientWidth_; }
    void SetClientWidth(int width) override;
    int ClientHeight() const override { return ClientHeight_; }
    void SetClientHeight(int height) override;
    int Height() const override { return ClientHeight_ + NonClientHeight_; }
    int FontHeight() const override { return FontHeight_; }
    void SetFontHeight(int height) override { FontHeight_ = height; }
    TWindowState WindowState() const override { return WindowState_; }
    bool IsMdiChild() const override { return false; }
    void SetAutoScroll(bool on) override { AutoScroll_ = on; }
    int PixelsPerInch() const override { return PixelsPerInch_; }
    void SetPixelsPerInch(int pixelsPerInch) override { PixelsPerInch_ = pixelsPerInch; }
    IControl* ActiveControl() override { return Active_; }
    void SetActiveControl(IControl& control) override { Active_ = &control; }
    TComponentState State() const override { return State_; }
    std::size_t ComponentCount() const override { return Components_.size(); }
    IComponent& Component(std::size_t index) override { return *Components_.at(index); }
    void SetOwnerNotification(TOwnerNotification notification) override;
    TFormEventSlots& Events() override { return Events_; }
    void SetRedrawSuspended(bool suspended) override;

    // Set-up and events raised as the toolkit would.
    TMemoryControl& Add(TMemoryKind kind, std::string className, TRect bounds);
    TMemoryControl& AddControl(TRect bounds) { return Add(TMemoryKind::kPlain, "TPanel", bounds); }
    TMemoryComponent& AddComponent();
    void Create() { RaiseEvent(Events_.OnCreate, *this); }
    void Show() { RaiseEvent(Events_.OnShow, *this); }
    void Activate() { RaiseEvent(Events_.OnActivate, *this); }
    void Deactivate() { RaiseEvent(Events_.OnDeactivate, *this); }
    // The user drags the window's borders to a new client size: one resize event.
    void UserResize(int clientWidth, int clientHeight);
    void SetWindowState(TWindowState state) { WindowState_ = state; }
    void SetNonClientHeight(int height) { NonClientHeight_ = height; }
    void SetState(TComponentState state) { State_ = state; }

    bool AutoScroll() const { return AutoScroll_; }
    bool RedrawSuspended() const { return RedrawSuspended_; }
    int RedrawSuspensions() const { return RedrawSuspensions_; }
    int ResizeEvents() const { return ResizeEvents_; }

  private:
    void RaiseResize();

    int ClientWidth_;
    int ClientHeight_;
    int FontHeight_;
    int NonClientHeight_;
    TWindowState WindowState_ = TWindowState::Normal;
    bool AutoScroll_ = true;
    int PixelsPerInch_ = 96;
    IControl* Active_ = nullptr;
    TComponentState State_ = 0;
    std::vector<std::unique_ptr<IComponent>> Components_;
    TOwnerNotification Notification_;
    TFormEventSlots Events_;
    bool RedrawSuspended_ = false;
    int RedrawSuspensions_ = 0;
    int ResizeEvents_ = 0;
};

// The main window as laid out: a separator line under the menu, four tool buttons, the
// "Messages:" label and the message log, a timer and the menu; client 552 x 374, font 13.
struct TMainWindowLayout {
    explicit TMainWindowLayout(TMemoryForm& form);

    TMemoryControl& Bevel1;
    TMemoryControl& DownBtn;
    TMemoryControl& UpBtn;
    TMemoryControl& ComBtn;
    TMemoryControl& ExitBtn;
    TMemoryControl& MessageLabel;
    TMemoryControl& MessageWindow;
};

}  // namespace norvane::sizing::testing

namespace norvane::sizing {

// For readable test failures.
inline std::ostream& operator<<(std::ostream& out, const TRect& rect) {
    return out << "(" << rect.Left << ", " << rect.Top << ", " << rect.Right << ", " << rect.Bottom
               << ")";
}

}  // namespace norvane::sizing
