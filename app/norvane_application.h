#pragma once
// The running program: the one instrument session and the six windows, created once in
// this order and kept until the object goes: main window, about box, download dialog,
// port settings dialog, hidden picture dialog, upload dialog.
//
// The serial layer's string tables come first, then the session (the windows use it); the
// session goes after every window, so the port closes last. The dialogs are top-level windows
// parented to the main window (they stay on top of it and share its task-bar entry).
//
// Construction also sets what the program shows of itself (application name "Norvane",
// window icon), routes unhandled failures to the error report, installs the Select Port
// dialog for the serial layer, wires the main window's commands and the about box's hidden
// picture, and shows the main window, whose start-up timer then runs RunStartupSteps once
// the event loop runs.
//
// User-interface thread only; needs a QApplication for its whole life; one at a time
// (it installs process-wide hooks).

#include <memory>
#include <string>

#include "serial/errors/serial_layer.h"
#include "session/instrument_session.h"

namespace norvane::ui {
class TAboutForm;
class TDownLoadForm;
class TEasterEggForm;
class TSerialForm;
class TUpLoadForm;
}  // namespace norvane::ui

namespace norvane::app {

class TMainForm;

class TNorvaneApplication {
  public:
    // settingsPath: the port settings file (session::DefaultSettingsPath() for a normal run).
    explicit TNorvaneApplication(std::string settingsPath);
    ~TNorvaneApplication();
    TNorvaneApplication(const TNorvaneApplication&) = delete;
    TNorvaneApplication& operator=(const TNorvaneApplication&) = delete;

    // The start-up steps, in order: load the port settings from the file, apply them (which
    // opens the port), set the download chooser's initial directory to the data directory.
    // A failure of the first two throws and leaves the later steps undone.
    void RunStartupSteps();

    // A request from outside to end the program (a termination signal): the same end as the
    // Exit command, from whatever state the program is in. A transfer running in its dialog
    // aborts as after its Abort button, every modal dialog and the event loop end, and the
    // windows and the port close as the object goes.
    void EndOnRequest();

    // The main window's commands. Each returns when its modal dialog has closed.
    void OpenDownload();
    void OpenUpload();
    void OpenPortSettings();
    void OpenAbout();

    session::TInstrumentSession& Session() { return Session_; }
    TMainForm& MainForm() { return *MainForm_; }
    ui::TAboutForm& AboutForm() { return *AboutForm_; }
    ui::TDownLoadForm& DownLoadForm() { return *DownLoadForm_; }
    ui::TSerialForm& SerialForm() { return *SerialForm_; }
    ui::TEasterEggForm& EasterEggForm() { return *EasterEggForm_; }
    ui::TUpLoadForm& UpLoadForm() { return *UpLoadForm_; }

  private:
    void PresentApplication();
    void CreateWindows(const std::string& settingsPath);
    void Wire();

    // Declaration order is creation order; destruction runs backwards. The serial layer's
    // string tables (the texts of its failures) outlive every port.
    serial::TSerialLayerScope SerialLayer_;
    session::TInstrumentSession Session_;
    std::unique_ptr<TMainForm> MainForm_;
    std::unique_ptr<ui::TAboutForm> AboutForm_;
    std::unique_ptr<ui::TDownLoadForm> DownLoadForm_;
    std::unique_ptr<ui::TSerialForm> SerialForm_;
    std::unique_ptr<ui::TEasterEggForm> EasterEggForm_;
    std::unique_ptr<ui::TUpLoadForm> UpLoadForm_;
};

}  // namespace norvane::app
