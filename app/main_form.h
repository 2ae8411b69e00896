#pragma once
// The main window: the menu, four tool buttons, and the message log in which the
// transfers report.
//
// Commands. Each command is one QAction: it is the menu item, and the command's tool button
// (About has none) triggers it and is enabled exactly when it is, so enabling or disabling
// the action does both at once. The action runs the command inside ui::Guarded: a failure
// reaches the application's error report and the program goes on.
//
// The window is created before the dialogs it opens, so it does not know them: the
// application object hands it what its commands do (SetActions) once every window exists. A
// command whose action is not set does nothing. Closing the window ends the program (the
// application's event loop ends when its last primary window closes).
//
// Size. The client area, the central widget, is 552 x 374; the menu bar lies outside it
// and adds its own height to the window. Controls are placed at absolute positions in the
// central widget.
//
// The form sizer takes over once the controls are in place: on a screen other than the one
// the window was laid out on (1280 x 1024) the margins below and right of the controls scale
// with the screen, and any later resize scales everything in proportion.
//
// Start-up. StartupTimer (1000 ms, single shot) starts with the window; when it fires,
// StartupTimerTimer switches it off and runs the start-up action once.
//
// User-interface thread only.

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "sizing/qt_form_toolkit.h"

class QAction;
class QPlainTextEdit;
class QTimer;
class QToolButton;

namespace norvane::app {

// What the main window's commands do; supplied by the application object.
struct TMainFormActions {
    std::function<void()> OpenDownload;      // DownBtn, MenuDownLoad
    std::function<void()> OpenUpload;        // UpBtn, MenuUpLoad
    std::function<void()> OpenPortSettings;  // ComBtn, MenuComPort
    std::function<void()> OpenAbout;         // MenuAbout
    std::function<void()> RunStartupSteps;   // StartupTimer, once
};

// The main window's commands, in menu order.
enum class TMainCommand { Download, Upload, PortSettings, Exit, About };
inline constexpr std::size_t kMainCommandCount = 5;

class TMainForm : public QMainWindow {
  public:
    static constexpr int kClientWidth = 552;
    static constexpr int kClientHeight = 374;
    static constexpr int kStartupDelayMs = 1000;

    explicit TMainForm(QWidget* parent = nullptr);

    // Replaces all actions. Call before the event loop runs, so that the start-up timer
    // finds its action.
    void SetActions(TMainFormActions actions);

    // Appends text as the new last line of the message log, whatever the cursor or the
    // selection; the log scrolls along when it was showing its end.
    void AppendLogLine(const std::string& text);

    // Switches StartupTimer off, then runs the start-up action. Calling it again (or
    // directly, before the timer fired) runs the action again; the timer never will.
    void StartupTimerTimer();

    // The controls the tests work the window through. A command's action is its menu item.
    QAction& Command(TMainCommand command) const;
    // The tool button that shows the command; null for About, which is on the menu only.
    QToolButton* CommandButton(TMainCommand command) const;
    QPlainTextEdit& MessageWindow() const;
    QTimer& StartupTimer() const;

  private:
    void CreateMenu();
    void CreateCommands();
    void CreateControls(QWidget* client);
    void CreateStartupTimer();
    void RunCommand(TMainCommand command);
    static void Run(const std::function<void()>& action);

    std::array<QAction*, kMainCommandCount> Commands_{};
    std::array<QToolButton*, kMainCommandCount> CommandButtons_{};
    QPlainTextEdit* MessageWindow_ = nullptr;
    QTimer* StartupTimer_ = nullptr;
    TMainFormActions Actions_;
    // Sizes the window for the screen it runs on and rescales the controls and their fonts
    // in proportion whenever the window is resized. Declared last: it must let go of the
    // window before the window's own members go.
    std::unique_ptr<sizing::TQtFormSizer> GTSizer_;
};

}  // namespace norvane::app
