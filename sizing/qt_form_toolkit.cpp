#include "sizing/qt_form_toolkit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTabWidget>
#include <algorithm>
#include <stdexcept>
#include <vector>

#include "sizing/gt_form.h"
#include "sizing/stored_values.h"

namespace norvane::sizing {
namespace {

int PixelHeight(const QFont& font, const QWidget& widget) {
    if (font.pixelSize() > 0) {
        return font.pixelSize();
    }
    return qRound(font.pointSizeF() * widget.logicalDpiY() / 72.0);
}

void SetPixelHeight(QWidget& widget, int height) {
    QFont font = widget.font();
    // Qt rejects pixel sizes below 1.
    font.setPixelSize(std::max(1, height));
    widget.setFont(font);
}

bool IsPictureLabel(const QLabel& label) {
    return !label.pixmap().isNull();
}

// Containers whose children the sizer places: those that leave their children where they
// are put.
bool IsPlainContainer(const QWidget& widget) {
    if (widget.layout() != nullptr) {
        return false;
    }
    const QByteArray name = widget.metaObject()->className();
    return name == "QWidget" || name == "QFrame" || name == "QGroupBox";
}

TShiftState ShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = {}) {
    TShiftState state = 0;
    state |= (modifiers & Qt::ShiftModifier) ? ssShift : 0u;
    state |= (modifiers & Qt::AltModifier) ? ssAlt : 0u;
    state |= (modifiers & Qt::ControlModifier) ? ssCtrl : 0u;
    state |= (buttons & Qt::LeftButton) ? ssLeft : 0u;
    state |= (buttons & Qt::RightButton) ? ssRight : 0u;
    state |= (buttons & Qt::MiddleButton) ? ssMiddle : 0u;
    return state;
}

TMouseButton Button(Qt::MouseButton button) {
    switch (button) {
        case Qt::RightButton:
            return TMouseButton::Right;
        case Qt::MiddleButton:
            return TMouseButton::Middle;
        default:
            return TMouseButton::Left;
    }
}

}  // namespace

// --- Screen ------------------------------------------------------------------------------

class TQtFormSizer::TScreen final : public IScreen {
  public:
    explicit TScreen(QWidget& window) : Window_(&window) {}
    ~TScreen() override { SetCursor(TCursor::Default); }

    int Width() const override { return Geometry().width(); }
    int Height() const override { return Geometry().height(); }
    int PixelsPerInch() const override {
        const QScreen* screen = Screen();
        return screen != nullptr ? qRound(screen->logicalDotsPerInch()) : 96;
    }
    void SetCursor(TCursor cursor) override {
        const bool busy = cursor == TCursor::HourGlass;
        if (busy == Busy_) {
            return;
        }
        Busy_ = busy;
        if (busy) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QGuiApplication::restoreOverrideCursor();
        }
    }

  private:
    QScreen* Screen() const {
        return Window_ != nullptr ? Window_->screen() : QGuiApplication::primaryScreen();
    }
    QRect Geometry() const {
        const QScreen* screen = Screen();
        return screen != nullptr ? screen->geometry() : QRect();
    }

    QPointer<QWidget> Window_;
    bool Busy_ = false;
};

// --- Controls ----------------------------------------------------------------------------

class TQtFormSizer::TControl final : public IControl, public ILabel, public IPageControl {
  public:
    TControl(TForm& form, QWidget& widget) : Form_(form), Widget_(&widget) {}

    // A widget that is gone is no control any more; its index stays taken.
    IControl* AsControl() override { return Widget_ != nullptr ? this : nullptr; }
    QWidget* Widget() const { return Widget_; }

    std::string ClassName() const override { return Widget_->metaObject()->className(); }
    bool IsWindow() const override { return Widget_->isWindow(); }
    ILabel* AsLabel() override {
        const auto* label = qobject_cast<QLabel*>(Widget_);
        return label != nullptr && !IsPictureLabel(*label) ? this : nullptr;
    }
    IAutoSizeControl* AsSingleLineEdit() override {
        const auto* edit = qobject_cast<QLineEdit*>(Widget_);
        return edit != nullptr && edit->inputMask().isEmpty() ? this : nullptr;
    }
    IAutoSizeControl* AsMaskedEdit() override {
        const auto* edit = qobject_cast<QLineEdit*>(Widget_);
        return edit != nullptr && !edit->inputMask().isEmpty() ? this : nullptr;
    }
    IAutoSizeControl* AsImage() override {
        const auto* label = qobject_cast<QLabel*>(Widget_);
        return label != nullptr && IsPictureLabel(*label) ? this : nullptr;
    }
    IPageControl* AsPageControl() override { return Tabs() != nullptr ? this : nullptr; }
    ITabbedNotebook* AsTabbedNotebook() override { return nullptr; }

    IControl* Parent() override;
    TRect Bounds() const override {
        const QRect g = Widget_->geometry();
        return {g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
    }
    void SetBounds(const TRect& bounds) override {
        Widget_->setGeometry(bounds.Left, bounds.Top, std::max(0, bounds.Width()),
                             std::max(0, bounds.Height()));
        FitContent();
    }
    void SetWidth(int width) override {
        Widget_->resize(std::max(0, width), Widget_->height());
        FitContent();
    }
    void SetHeight(int height) override {
        Widget_->resize(Widget_->width(), std::max(0, height));
        FitContent();
    }
    TAlign Align() const override { return TAlign::None; }
    int Tag() const override { return Widget_->property(kTagProperty).toInt(); }
    bool ParentFont() const override {
        return !Widget_->testAttribute(Qt::WA_SetFont) ||
               (Widget_->font().resolveMask() & QFont::SizeResolved) == 0;
    }
    int FontHeight() const override { return PixelHeight(Widget_->font(), *Widget_); }
    void SetFontHeight(int height) override {
        SetPixelHeight(*Widget_, height);
        FitContent();
    }
    bool Visible() const override { return !Widget_->isHidden(); }

    bool AutoSize() const override { return AutoSize_; }
    void SetAutoSize(bool on) override {
        AutoSize_ = on;
        FitContent();
    }
    IControl* FocusControl() override;
    TAlignment Alignment() const override {
        const Qt::Alignment horizontal =
            qobject_cast<QLabel*>(Widget_)->alignment() & Qt::AlignHorizontal_Mask;
        if (horizontal & Qt::AlignRight) {
            return TAlignment::RightJustify;
        }
        if (horizontal & Qt::AlignHCenter) {
            return TAlignment::Center;
        }
        return TAlignment::LeftJustify;
    }
    void SetAlignment(TAlignment alignment) override {
        auto* label = qobject_cast<QLabel*>(Widget_);
        const Qt::Alignment vertical = label->alignment() & Qt::AlignVertical_Mask;
        const Qt::Alignment horizontal = alignment == TAlignment::RightJustify ? Qt::AlignRight
                                         : alignment == TAlignment::Center     ? Qt::AlignHCenter
                                                                               : Qt::AlignLeft;
        label->setAlignment(vertical | horizontal);
    }

    int PageCount() const override { return Tabs()->count(); }
    TRect PageBounds(int index) const override {
        const QRect g = Tabs()->widget(index)->geometry();
        return {g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
    }
    void SetPageBounds(int index, const TRect& bounds) override {
        Tabs()->widget(index)->setGeometry(bounds.Left, bounds.Top, bounds.Width(),
                                           bounds.Height());
    }

    // Fits an auto-sized label, picture or edit to its content, as auto-size does.
    void FitContent() {
        if (!AutoSize_ || Widget_ == nullptr) {
            return;
        }
        const QSize hint = Widget_->sizeHint();
        if (qobject_cast<QLineEdit*>(Widget_) != nullptr) {
            Widget_->resize(Widget_->width(), hint.height());
        } else if (qobject_cast<QLabel*>(Widget_) != nullptr) {
            Widget_->resize(hint);
        }
    }

  private:
    QTabWidget* Tabs() const { return qobject_cast<QTabWidget*>(Widget_); }

    TForm& Form_;
    QPointer<QWidget> Widget_;
    bool AutoSize_ = false;
};

// --- Window ------------------------------------------------------------------------------

class TQtFormSizer::TForm final : public IForm {
  public:
    explicit TForm(QMainWindow& window) : Window_(&window), Central_(window.centralWidget()) {
        if (Central_ == nullptr) {
            throw std::invalid_argument("the main window has no central widget to size");
        }
        PixelsPerInch_ = window.logicalDpiY();
        ListControls(*Central_);
    }

    QMainWindow* Window() const { return Window_; }
    QWidget* Central() const { return Central_; }
    void SetDestroying() { Destroying_ = true; }
    void SetLoading(bool loading) { Loading_ = loading; }
    // A resize of the client area comes from one of the setters.
    bool SettingSize() const { return SettingSize_; }
    bool Destroying() const { return Destroying_; }

    int ClientWidth() const override { return ClientSize().width(); }
    void SetClientWidth(int width) override {
        const QSize client = ClientSize();
        ResizeWindow(Window_->width() + width - client.width(), Window_->height(), client);
    }
    int ClientHeight() const override { return ClientSize().height(); }
    void SetClientHeight(int height) override {
        const QSize client = ClientSize();
        ResizeWindow(Window_->width(), Window_->height() + height - client.height(), client);
    }
    int Height() const override {
        SyncHiddenLayout();
        return Window_->height();
    }
    int FontHeight() const override { return PixelHeight(Central_->font(), *Central_); }
    void SetFontHeight(int height) override {
        SetPixelHeight(*Central_, height);
        // Auto-sized controls that follow the window's font fit themselves to it.
        for (const auto& control : Controls_) {
            control->FitContent();
        }
    }
    TWindowState WindowState() const override {
        const Qt::WindowStates state = Window_->windowState();
        if (state & Qt::WindowMinimized) {
            return TWindowState::Minimized;
        }
        return (state & Qt::WindowMaximized) ? TWindowState::Maximized : TWindowState::Normal;
    }
    bool IsMdiChild() const override { return false; }
    // A main window's client area does not scroll; there is nothing to switch.
    void SetAutoScroll(bool) override {}
    int PixelsPerInch() const override { return PixelsPerInch_; }
    void SetPixelsPerInch(int pixelsPerInch) override { PixelsPerInch_ = pixelsPerInch; }
    IControl* ActiveControl() override { return Find(QApplication::focusWidget()); }
    void SetActiveControl(IControl& control) override {
        if (QWidget* widget = static_cast<TControl&>(control).Widget()) {
            widget->setFocus();
        }
    }
    TComponentState State() const override {
        return (Destroying_ ? csDestroying : 0u) | (Loading_ ? csLoading : 0u);
    }
    std::size_t ComponentCount() const override { return Controls_.size(); }
    IComponent& Component(std::size_t index) override { return *Controls_.at(index); }
    // The controls are listed once, at attachment; none is inserted or removed later.
    void SetOwnerNotification(TOwnerNotification) override {}
    TFormEventSlots& Events() override { return Events_; }
    void SetRedrawSuspended(bool suspended) override { Window_->setUpdatesEnabled(!suspended); }

    // The control for widget, or nullptr when it is none of the window's controls.
    TControl* Find(const QObject* widget) const {
        const auto found = std::find_if(Controls_.begin(), Controls_.end(), [&](const auto& c) {
            return c->Widget() != nullptr && c->Widget() == widget;
        });
        return found != Controls_.end() ? found->get() : nullptr;
    }

  private:
    void ListControls(QWidget& container) {
        for (QObject* child : container.children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (widget == nullptr || widget->objectName().startsWith(QLatin1String("qt_"))) {
                continue;
            }
            Controls_.push_back(std::make_unique<TControl>(*this, *widget));
            if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
                for (int page = 0; page < tabs->count(); ++page) {
                    if (tabs->widget(page)->layout() == nullptr) {
                        ListControls(*tabs->widget(page));
                    }
                }
            } else if (IsPlainContainer(*widget)) {
                ListControls(*widget);
            }
        }
    }

    // A hidden window lays itself out only when shown; the sizer works on a hidden window
    // while it is created, and needs the client area's size at once.
    void SyncHiddenLayout() const {
        if (Window_->isVisible()) {
            return;
        }
        if (QLayout* layout = Window_->layout()) {
            layout->invalidate();
            layout->activate();
        }
    }

    QSize ClientSize() const {
        SyncHiddenLayout();
        return Central_->size();
    }

    // The sizer expects a client size it sets to raise the resize event before the setter
    // returns. Qt reports a shown window's resize while resize() runs and a hidden one's only
    // when it is shown; either report is left aside and the event raised here.
    void ResizeWindow(int width, int height, const QSize& clientBefore) {
        SettingSize_ = true;
        Window_->resize(width, height);
        SettingSize_ = false;
        if (ClientSize() != clientBefore) {
            RaiseEvent(Events_.OnResize, *this);
        }
    }

    QPointer<QMainWindow> Window_;
    QPointer<QWidget> Central_;
    std::vector<std::unique_ptr<TControl>> Controls_;
    TFormEventSlots Events_;
    int PixelsPerInch_ = 96;
    bool Destroying_ = false;
    bool Loading_ = false;
    bool SettingSize_ = false;
};

IControl* TQtFormSizer::TControl::Parent() {
    QWidget* parent = Widget_->parentWidget();
    if (parent == Form_.Central()) {
        return nullptr;
    }
    // A page's controls belong to the tab widget the page sits in.
    for (QWidget* ancestor = parent; ancestor != nullptr; ancestor = ancestor->parentWidget()) {
        if (TControl* control = Form_.Find(ancestor)) {
            return control;
        }
    }
    return nullptr;
}

IControl* TQtFormSizer::TControl::FocusControl() {
    return Form_.Find(qobject_cast<QLabel*>(Widget_)->buddy());
}

// --- Attachment --------------------------------------------------------------------------

TQtFormSizer::TQtFormSizer(QMainWindow& window, const TStoredSizerValues& values,
                           TFormEventSlots ownHandlers)
    : Form_(std::make_unique<TForm>(window)), Screen_(std::make_unique<TScreen>(window)) {
    Form_->Events() = std::move(ownHandlers);
    Sizer_ = std::make_unique<GTForm>(*Form_, *Screen_);
    window.installEventFilter(this);
    Form_->Central()->installEventFilter(this);
    // The values arrive as from a layout file being read: the window is loading meanwhile.
    Form_->SetLoading(true);
    ApplyStoredValues(*Sizer_, values);
    Form_->SetLoading(false);
    RaiseEvent(Form_->Events().OnCreate, *Form_);
}

TQtFormSizer::~TQtFormSizer() {
    Form_->SetDestroying();
    RaiseEvent(Form_->Events().OnDestroy, *Form_);
    Sizer_.reset();
    if (QWidget* central = Form_->Central()) {
        central->removeEventFilter(this);
    }
    if (QMainWindow* window = Form_->Window()) {
        window->removeEventFilter(this);
    }
}

IForm& TQtFormSizer::Form() {
    return *Form_;
}

bool TQtFormSizer::eventFilter(QObject* watched, QEvent* event) {
    if (Form_->Destroying()) {
        return false;
    }
    if (watched == Form_->Central()) {
        if (event->type() == QEvent::Resize && !Form_->SettingSize()) {
            PostResize();
        }
        return false;
    }
    if (watched == Form_->Window()) {
        return FilterWindowEvent(event);
    }
    return false;
}

void TQtFormSizer::PostResize() {
    // The client area learns of a window resize while the main window's layout is being
    // applied; a window resized again from inside that pass keeps a stale layout. The event
    // therefore reaches the sizer once the pass is over, several resizes as one.
    if (ResizePosted_) {
        return;
    }
    ResizePosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            ResizePosted_ = false;
            if (!Form_->Destroying()) {
                RaiseEvent(Form_->Events().OnResize, *Form_);
            }
        },
        Qt::QueuedConnection);
}

bool TQtFormSizer::FilterWindowEvent(QEvent* event) {
    TFormEventSlots& handlers = Form_->Events();
    TForm& form = *Form_;
    // Mouse positions as the client area sees them.
    const auto client = [&](const QPointF& position) {
        return form.Central()->mapFrom(form.Window(), position.toPoint());
    };
    switch (event->type()) {
        case QEvent::Show:
            RaiseEvent(handlers.OnShow, form);
            return false;
        case QEvent::Hide:
            RaiseEvent(handlers.OnHide, form);
            return false;
        case QEvent::WindowActivate:
            RaiseEvent(handlers.OnActivate, form);
            return false;
        case QEvent::WindowDeactivate:
            RaiseEvent(handlers.OnDeactivate, form);
            return false;
        case QEvent::Paint:
            RaiseEvent(handlers.OnPaint, form);
            return false;
        case QEvent::Close: {
            bool canClose = true;
            RaiseEvent(handlers.OnCloseQuery, form, canClose);
            TCloseAction action = TCloseAction::Hide;
            if (canClose) {
                RaiseEvent(handlers.OnClose, form, action);
            }
            if (!canClose || action == TCloseAction::None) {
                event->ignore();
                return true;
            }
            if (action == TCloseAction::Minimize) {
                form.Window()->showMinimized();
                event->ignore();
                return true;
            }
            return false;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = client(mouse->position());
            const TShiftState shift = ShiftState(mouse->modifiers(), mouse->buttons());
            if (event->type() == QEvent::MouseMove) {
                RaiseEvent(handlers.OnMouseMove, form, shift, at.x(), at.y());
            } else if (event->type() == QEvent::MouseButtonPress) {
                RaiseEvent(handlers.OnMouseDown, form, Button(mouse->button()), shift, at.x(),
                           at.y());
            } else if (event->type() == QEvent::MouseButtonDblClick) {
                RaiseEvent(handlers.OnDblClick, form);
            } else {
                RaiseEvent(handlers.OnMouseUp, form, Button(mouse->button()), shift, at.x(),
                           at.y());
                if (mouse->button() == Qt::LeftButton) {
                    RaiseEvent(handlers.OnClick, form);
                }
            }
            return false;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* keyEvent = static_cast<QKeyEvent*>(event);
            int key = keyEvent->key();
            const TShiftState shift = ShiftState(keyEvent->modifiers());
            if (event->type() == QEvent::KeyRelease) {
                RaiseEvent(handlers.OnKeyUp, form, key, shift);
                return key == 0;
            }
            RaiseEvent(handlers.OnKeyDown, form, key, shift);
            if (key == 0) {
                return true;
            }
            const QString text = keyEvent->text();
            if (!text.isEmpty()) {
                char32_t character = text.toUcs4().value(0);
                RaiseEvent(handlers.OnKeyPress, form, character);
                return character == 0;
            }
            return false;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::DragLeave: {
            bool accept = false;
            if (event->type() == QEvent::DragLeave) {
                RaiseEvent(handlers.OnDragOver, form, nullptr, 0, 0, TDragState::DragLeave, accept);
                return false;
            }
            auto* drag = static_cast<QDropEvent*>(event);
            const QPoint at = client(drag->position());
            const TDragState state =
                event->type() == QEvent::DragEnter ? TDragState::DragEnter : TDragState::DragMove;
            RaiseEvent(handlers.OnDragOver, form, form.Find(drag->source()), at.x(), at.y(), state,
                       accept);
            if (handlers.OnDragOver) {
                drag->setAccepted(accept);
            }
            return false;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QPoint at = client(drop->position());
            RaiseEvent(handlers.OnDragDrop, form, form.Find(drop->source()), at.x(), at.y());
            return false;
        }
        default:
            return false;
    }
}

std::unique_ptr<TQtFormSizer> AttachFormSizer(QMainWindow& window) {
    return std::make_unique<TQtFormSizer>(window, MainFormSizerValues());
}

}  // namespace norvane::sizing
