#include "app/norvane_application.h"

#include <QApplication>

#include "app/main_form.h"
#include "serial/errors/application_hooks.h"
#include "ui/about_form.h"
#include "ui/application_icon.h"
#include "ui/com_select_form.h"
#include "ui/download_form.h"
#include "ui/easter_egg_form.h"
#include "ui/error_report.h"
#include "ui/serial_form.h"
#include "ui/server_wait_box.h"
#include "ui/upload_form.h"

namespace norvane::app {

TNorvaneApplication::TNorvaneApplication(std::string settingsPath) {
    PresentApplication();
    // Only the user writes this section: a field engineer's request to record the line.
    Session_.Recording().SetRequest(session::LoadRecordingRequest(settingsPath));
    CreateWindows(settingsPath);
    Wire();
    MainForm_->show();
}

// The windows go before the session (members are destroyed backwards), and the dialogs
// before the main window they are parented to.
TNorvaneApplication::~TNorvaneApplication() = default;

void TNorvaneApplication::PresentApplication() {
    // The application name is what the desktop shows for the program (the window class the
    // task bar groups by). No display name: Qt would append it to every dialog's caption.
    QCoreApplication::setApplicationName(QString::fromUtf8(ui::kApplicationTitle));
    // The desktop entry's id: how a Wayland compositor finds the entry (and its icon) for our
    // windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.norvane.Norvane"));
    QApplication::setWindowIcon(ui::ApplicationIcon());
    ui::InstallErrorReport();
    serial::SetPortPrompt(&ui::PromptForPort);
    ui::InstallServerWaitBox();
}

void TNorvaneApplication::CreateWindows(const std::string& settingsPath) {
    const auto appendLogLine = [this](const std::string& line) { MainForm_->AppendLogLine(line); };
    MainForm_ = std::make_unique<TMainForm>();
    QWidget* main = MainForm_.get();
    AboutForm_ = std::make_unique<ui::TAboutForm>(main);
    DownLoadForm_ = std::make_unique<ui::TDownLoadForm>(Session_, appendLogLine, main);
    SerialForm_ =
        std::make_unique<ui::TSerialForm>(Session_, QString::fromStdString(settingsPath), main);
    EasterEggForm_ = std::make_unique<ui::TEasterEggForm>(main);
    UpLoadForm_ = std::make_unique<ui::TUpLoadForm>(Session_, appendLogLine, main);
}

void TNorvaneApplication::Wire() {
    AboutForm_->SetHiddenPictureHandler([this] { EasterEggForm_->ShowHiddenPicture(); });
    TMainFormActions actions;
    actions.OpenDownload = [this] { OpenDownload(); };
    actions.OpenUpload = [this] { OpenUpload(); };
    actions.OpenPortSettings = [this] { OpenPortSettings(); };
    actions.OpenAbout = [this] { OpenAbout(); };
    actions.RunStartupSteps = [this] { RunStartupSteps(); };
    MainForm_->SetActions(std::move(actions));
}

void TNorvaneApplication::RunStartupSteps() {
    SerialForm_->LoadPortSettings();
    SerialForm_->ApplyPortSettings();
    DownLoadForm_->SetInitialDirectory(ui::DefaultDataDirectory());
}

void TNorvaneApplication::EndOnRequest() {
    // A running transfer holds the Abort until it has unwound.
    Session_.Link().Abort();
    // exit() ends every event loop running now, the modal dialogs' included; a transfer's
    // dialog closes once its aborted transfer has returned.
    QCoreApplication::exit(0);
}

void TNorvaneApplication::OpenDownload() {
    DownLoadForm_->Open();
}

void TNorvaneApplication::OpenUpload() {
    UpLoadForm_->Open();
}

void TNorvaneApplication::OpenPortSettings() {
    SerialForm_->exec();
}

void TNorvaneApplication::OpenAbout() {
    AboutForm_->ShowAbout();
}

}  // namespace norvane::app
