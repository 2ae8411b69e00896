#pragma once
// The main window: the menu, four tool buttons, and the message log in which the
// transfers report.
//
// The window is created before the dialogs it opens, so it does not know them: the
// application object hands it the actions behind its commands (SetActions) once every
// window exists. A command whose action is not set does nothing. Closing the window ends
// the program (the application's event loop ends when its last primary window closes).
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
#include <functional>
#include <memory>
#include <string>

#include "sizing/qt_form_toolkit.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
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

    // Command handlers. Each runs its action inside ui::Guarded: a failure reaches the
    // application's error report and the program goes on.
    void DownBtnClick();
    void MenuDownLoadClick();
    void UpBtnClick();
    void MenuUpLoadClick();
    void ComBtnClick();
    void MenuComPortClick();
    void ExitBtnClick();
    void MenuExitClick();
    void MenuAboutClick();
    // Switches StartupTimer off, then runs the start-up action. Calling it again (or
    // directly, before the timer fired) runs the action again; the timer never will.
    void StartupTimerTimer();

    // The controls, named as the tests find them (objectName is the same).
    QMenuBar* MainMenu;
    QMenu* Menu;
    QAction* MenuDownLoad;
    QAction* MenuUpLoad;
    QAction* N1;
    QAction* MenuComPort;
    QAction* N2;
    QAction* MenuExit;
    QAction* N3;
    QAction* MenuAbout;
    QFrame* Bevel1;
    QToolButton* DownBtn;
    QToolButton* UpBtn;
    QToolButton* ComBtn;
    QToolButton* ExitBtn;
    QLabel* MessageLabel;
    QPlainTextEdit* MessageWindow;
    QTimer* StartupTimer;
    // Sizes the window for the screen it runs on and rescales the controls and their fonts
    // in proportion whenever the window is resized. Declared last: it must let go of the
    // window before the window's own members go.
    std::unique_ptr<sizing::TQtFormSizer> GTSizer;

  private:
    void CreateMenu();
    void CreateControls(QWidget* client);
    void ConnectHandlers();
    void CentreOnScreen();
    static void Run(const std::function<void()>& action);

    TMainFormActions Actions_;
};

}  // namespace norvane::app
