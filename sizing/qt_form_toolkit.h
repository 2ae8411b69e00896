#pragma once
// The form sizer on a Qt main window: the toolkit interfaces over QMainWindow and its widgets,
// and the object that attaches a sizer to a window for the window's lifetime.
//
// How the window maps onto the toolkit:
// - Client area: the main window's central widget. The menu bar, tool bars and status bar
//   lie outside it, and so in the non-client height; the outer height is the main window's
//   own height (window-manager decorations are not counted, they never change).
// - Controls: the central widget's child widgets, listed once when the sizer is attached, in
//   child order, descending into plain containers without a layout (QWidget, QFrame,
//   QGroupBox) and into the pages of a QTabWidget. Qt's internal children ("qt_" names)
//   and widgets managed by a layout are left to Qt. Widgets created later are not sized.
// - Kinds: QLabel (with a picture: image), QLineEdit (with an input mask: masked edit),
//   QTabWidget (page control). No Qt widget is a tabbed notebook. Alignment is always none:
//   absolutely placed widgets do not dock. A widget's Tag is its kTagProperty (default 0).
// - Fonts: pixel sizes. A widget without a size of its own follows its parent's font and is
//   never given one. The window's font is the central widget's, so the menu bar keeps the
//   system font, as window menus do.
// - Events: an event filter on the main window raises the window's handler slots (activate,
//   deactivate, show, hide, close, paint, mouse, keys, drag and drop). A resize of the
//   central widget raises OnResize once the event loop is back (Qt is still laying the window
//   out when it reports it); a client size the sizer sets raises it before the setter
//   returns. OnCreate is raised at attachment, OnDestroy at detachment.
// - Busy cursor: QGuiApplication's override cursor. Redraw suspension: setUpdatesEnabled.
// - Screen: the window's QScreen, its full geometry and logical dots per inch.
//
// GUI thread only.

#include <QObject>
#include <memory>

#include "sizing/toolkit.h"

class QMainWindow;

namespace norvane::sizing {

class GTForm;
struct TStoredSizerValues;

// Name of the int property that gives a widget its Tag (controls whose Tag equals the
// sizer's IgnoreTag keep their font height).
inline constexpr char kTagProperty[] = "norvaneTag";

// A sizer attached to a QMainWindow. Owns the toolkit adapter and the sizer.
class TQtFormSizer final : public QObject {
  public:
    // window must have its central widget and controls in place; it may be hidden or shown.
    // ownHandlers are the window's own handlers for the events the sizer takes over; the
    // sizer forwards to them. Lists the controls, creates the sizer, delivers the stored
    // values through its setters and raises the window's creation event, which sizes the
    // window for the current screen and takes the snapshot. Throws std::invalid_argument if
    // the window has no central widget.
    TQtFormSizer(QMainWindow& window, const TStoredSizerValues& values,
                 TFormEventSlots ownHandlers = {});
    // Raises the window's destroy event, destroys the sizer (which gives the handler slots
    // back) and lets go of the window. Must run before the window is destroyed; a window
    // class that holds its sizer as a member gets that order by itself.
    ~TQtFormSizer() override;
    TQtFormSizer(const TQtFormSizer&) = delete;
    TQtFormSizer& operator=(const TQtFormSizer&) = delete;

    GTForm& Sizer() { return *Sizer_; }
    // The window as the sizer sees it.
    IForm& Form();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class TForm;
    class TScreen;
    class TControl;

    bool FilterWindowEvent(QEvent* event);
    void PostResize();

    std::unique_ptr<TForm> Form_;
    std::unique_ptr<TScreen> Screen_;
    std::unique_ptr<GTForm> Sizer_;
    bool ResizePosted_ = false;
};

// The main window's sizer, with its stored values (MainFormSizerValues()). See
// TQtFormSizer for what window must have in place.
std::unique_ptr<TQtFormSizer> AttachFormSizer(QMainWindow& window);

}  // namespace norvane::sizing
