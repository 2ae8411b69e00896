#pragma once
// What the form sizer needs of a window toolkit, and nothing more: the screen, the window
// it sizes, the window's components and controls, and the window's event handler slots.
//
// A toolkit adapter implements these interfaces over real windows (sizing/qt_form_toolkit.h);
// the tests implement them in memory. Everything runs on the user-interface thread.
//
// Coordinates are pixels. A control's bounds are in its parent's client coordinates; for a
// control placed directly on the window, in the window's client area. Font heights are
// whatever the toolkit uses as a font's height (the Qt adapter: pixel sizes); the sizer only
// multiplies and rounds them.

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

namespace norvane::sizing {

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// How a control docks to its parent's edges.
enum class TAlign { None, Top, Bottom, Left, Right, Client };
// How a label places its text.
enum class TAlignment { LeftJustify, RightJustify, Center };
enum class TWindowState { Normal, Minimized, Maximized };
enum class TCursor { Default, HourGlass };
enum class TOperation { Insert, Remove };

// The window's component state flags; a window in none of these states is simply running.
enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
};
using TComponentState = unsigned;

class IForm;
class IControl;

// Event handler types of the window's slots. The window is always the sender.
enum TShiftFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using TShiftState = unsigned;
enum class TMouseButton { Left, Right, Middle };
// What closing the window does; a close handler may change it.
enum class TCloseAction { None, Hide, Free, Minimize };
enum class TDragState { DragEnter, DragLeave, DragMove };

using TNotifyEvent = std::function<void(IForm& sender)>;
using TKeyEvent = std::function<void(IForm& sender, int& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(IForm& sender, char32_t& key)>;
using TCloseEvent = std::function<void(IForm& sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(IForm& sender, bool& canClose)>;
using TMouseEvent =
    std::function<void(IForm& sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(IForm& sender, TShiftState shift, int x, int y)>;
// source: the window's control being dragged, or nullptr when it is none of them.
using TDragDropEvent = std::function<void(IForm& sender, IControl* source, int x, int y)>;
using TDragOverEvent = std::function<void(IForm& sender, IControl* source, int x, int y,
                                          TDragState state, bool& accept)>;

// The twenty event handler slots of a window that a sizer takes over. An empty slot is an
// unassigned handler.
struct TFormEventSlots {
    TNotifyEvent OnActivate;
    TNotifyEvent OnClick;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnCreate;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnDestroy;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TNotifyEvent OnHide;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnPaint;
    TNotifyEvent OnResize;
    TNotifyEvent OnShow;
};

// Calls the handler in `slot`, if one is assigned. The handler runs from a copy, because a
// handler may replace or clear its own slot while it runs (the sizer's resize handler does).
// Toolkits raise every event through this.
template <typename Handler, typename... Args>
void RaiseEvent(const Handler& slot, Args&&... args) {
    if (!slot) {
        return;
    }
    const Handler running = slot;
    running(std::forward<Args>(args)...);
}

class IScreen {
  public:
    virtual ~IScreen() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int PixelsPerInch() const = 0;
    // The application's cursor: normal, or the busy cursor.
    virtual void SetCursor(TCursor cursor) = 0;
};

// Anything a window owns: a control, or something without a place on screen (a timer, a menu).
class IComponent {
  public:
    virtual ~IComponent() = default;
    // This component as a control, or nullptr when it is not one.
    virtual IControl* AsControl() = 0;
};

// Edits and images that can fit their size to their content.
class IAutoSizeControl {
  public:
    virtual ~IAutoSizeControl() = default;
    virtual bool AutoSize() const = 0;
    virtual void SetAutoSize(bool on) = 0;
};

class ILabel : public IAutoSizeControl {
  public:
    // The control whose accelerator the label shows, or nullptr.
    virtual IControl* FocusControl() = 0;
    virtual TAlignment Alignment() const = 0;
    virtual void SetAlignment(TAlignment alignment) = 0;
};

class ITabbedNotebook {
  public:
    virtual ~ITabbedNotebook() = default;
    virtual int TabFontHeight() const = 0;
    virtual void SetTabFontHeight(int height) = 0;
};

class IPageControl {
  public:
    virtual ~IPageControl() = default;
    virtual int PageCount() const = 0;
    // index < PageCount().
    virtual TRect PageBounds(int index) const = 0;
    virtual void SetPageBounds(int index, const TRect& bounds) = 0;
};

// A control. The kind tests accept descendants of the kind; each returns nullptr when the
// control is not of that kind. A control that is itself a window (IsWindow) is never scaled.
class IControl : public IComponent {
  public:
    IControl* AsControl() override { return this; }

    // The exact class name, for the few classes the sizer treats specially.
    virtual std::string ClassName() const = 0;
    virtual bool IsWindow() const = 0;
    virtual ILabel* AsLabel() = 0;
    virtual IAutoSizeControl* AsSingleLineEdit() = 0;
    virtual IAutoSizeControl* AsMaskedEdit() = 0;
    virtual IAutoSizeControl* AsImage() = 0;
    virtual IPageControl* AsPageControl() = 0;
    virtual ITabbedNotebook* AsTabbedNotebook() = 0;

    // The control's parent control, or nullptr when it sits directly in the window's client
    // area.
    virtual IControl* Parent() = 0;
    virtual TRect Bounds() const = 0;
    virtual void SetBounds(const TRect& bounds) = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual TAlign Align() const = 0;
    virtual int Tag() const = 0;
    // true: the control takes its font from its parent and has no font height of its own.
    virtual bool ParentFont() const = 0;
    virtual int FontHeight() const = 0;
    virtual void SetFontHeight(int height) = 0;
    virtual bool Visible() const = 0;
};

// Called by the window for every component inserted into or removed from it.
using TOwnerNotification = std::function<void(IComponent& component, TOperation operation)>;

// The window being sized. Setting the client size raises the window's OnResize slot before
// the setter returns (when the size changes), as user resizes do.
class IForm {
  public:
    virtual ~IForm() = default;

    virtual int ClientWidth() const = 0;
    virtual void SetClientWidth(int width) = 0;
    virtual int ClientHeight() const = 0;
    virtual void SetClientHeight(int height) = 0;
    // The outer height: client height plus everything around the client area that belongs
    // to the window (menu bar, borders).
    virtual int Height() const = 0;
    virtual int FontHeight() const = 0;
    virtual void SetFontHeight(int height) = 0;
    virtual TWindowState WindowState() const = 0;
    virtual bool IsMdiChild() const = 0;
    virtual void SetAutoScroll(bool on) = 0;
    virtual int PixelsPerInch() const = 0;
    virtual void SetPixelsPerInch(int pixelsPerInch) = 0;
    // The focused control, or nullptr.
    virtual IControl* ActiveControl() = 0;
    virtual void SetActiveControl(IControl& control) = 0;
    virtual TComponentState State() const = 0;

    // The components the window owns, in creation order. A component keeps its index for
    // the window's lifetime; later components get the next indexes.
    virtual std::size_t ComponentCount() const = 0;
    virtual IComponent& Component(std::size_t index) = 0;
    // Replaces the one receiver of insert and remove notifications (empty: none).
    virtual void SetOwnerNotification(TOwnerNotification notification) = 0;

    virtual TFormEventSlots& Events() = 0;
    // Suspends (true) or resumes (false) redrawing of the window; not counted.
    virtual void SetRedrawSuspended(bool suspended) = 0;
};

}  // namespace norvane::sizing
