#include "app/screenshot_tour.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <iostream>
#include <vector>

#include "app/main_form.h"
#include "app/norvane_application.h"
#include "ui/about_form.h"
#include "ui/com_select_form.h"
#include "ui/download_form.h"
#include "ui/easter_egg_form.h"
#include "ui/error_report.h"
#include "ui/serial_form.h"
#include "ui/upload_form.h"

namespace norvane::app {

namespace {

constexpr int kPollMs = 5;
// How long a window may take to be framed by the window manager and drawn before the
// tour pictures it as it is (400 polls).
constexpr int kFramePolls = 400;
// How many polls in a row a window must stay framed in one place before its picture.
constexpr int kSteadyPolls = 10;

// Under a window manager a new window is framed and drawn a little after it is shown; a
// picture taken earlier lacks the frame or shows an empty area. Without one (no frame ever
// comes) the window is ready once it is exposed.
bool ReadyForPicture(const QWidget& window, bool expectFrame) {
    const QWindow* handle = window.windowHandle();
    if (handle == nullptr || !handle->isExposed()) {
        return false;
    }
    // The platform window knows its frame at once; QWidget's copy follows only with the next
    // move.
    return !expectFrame || !handle->frameMargins().isNull();
}

class TScreenshotTour {
  public:
    TScreenshotTour(TNorvaneApplication& application, const QString& directory)
        : App_(application), Directory_(directory) {}

    int Run();

  private:
    // What to do with the modal window once it shows; returns true when it is done with it
    // (the tour then stops looking).
    using TVisit = std::function<bool(QWidget*)>;

    // Saves the window as the user sees it: from the screen, frame included, where the
    // platform has a window manager; the window's own pixels otherwise.
    void Save(QWidget* window, const QString& name);
    // Runs the event loop until ReadyForPicture(window) has held, with the window in one
    // place, for kSteadyPolls polls, or kFramePolls polls have passed.
    void WaitForPicture(QWidget* window);
    // Runs open(), which shows a modal window and returns when it closed; meanwhile visit
    // gets the window every few milliseconds until it returns true.
    void WhileModal(const QString& name, const std::function<void()>& open, const TVisit& visit);
    // The simplest visit: picture, then Esc.
    void Shoot(const QString& name, const std::function<void()>& open);
    void ShootDownloadInProgress();

    TNorvaneApplication& App_;
    QDir Directory_;
    std::vector<QString> Failures_;
};

bool ExpectFrame() {
    // The X11 platform is the one the tour runs on under a window manager.
    return QGuiApplication::platformName() == QStringLiteral("xcb");
}

void TScreenshotTour::WaitForPicture(QWidget* window) {
    // Ready, and then left where it is for a few polls: the window manager may still move
    // the window (a message box is centred after it is shown) and draw its frame.
    QRect lastFrame;
    int steadyPolls = 0;
    for (int poll = 0; poll < kFramePolls && steadyPolls < kSteadyPolls; ++poll) {
        QEventLoop wait;
        QTimer::singleShot(kPollMs, &wait, &QEventLoop::quit);
        wait.exec();
        const bool ready = ReadyForPicture(*window, ExpectFrame());
        const QRect frame = ready ? window->windowHandle()->frameGeometry() : QRect();
        steadyPolls = ready && frame == lastFrame ? steadyPolls + 1 : 0;
        lastFrame = frame;
    }
}

void TScreenshotTour::Save(QWidget* window, const QString& name) {
    const QString path = Directory_.filePath(name + QStringLiteral(".png"));
    WaitForPicture(window);
    // Let the window draw what it shows now before the screen is read.
    QApplication::processEvents();
    const QWindow* handle = window->windowHandle();
    const QRect frame = handle != nullptr ? handle->frameGeometry() : QRect();
    QScreen* screen = window->screen();
    const QPixmap picture =
        handle != nullptr && !handle->frameMargins().isNull() && screen != nullptr
            ? screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
            : window->grab();
    if (!picture.save(path)) {
        Failures_.push_back(QStringLiteral("cannot write ") + path);
    }
}

void TScreenshotTour::WhileModal(const QString& name, const std::function<void()>& open,
                                 const TVisit& visit) {
    bool done = false;
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!done && modal != nullptr && modal->isVisible()) {
            done = visit(modal);
        }
    });
    poll.start();
    ui::Guarded(open);
    if (!done) {
        Failures_.push_back(name + QStringLiteral(": the window closed before its picture"));
    }
}

void TScreenshotTour::Shoot(const QString& name, const std::function<void()>& open) {
    WhileModal(name, open, [this, name](QWidget* window) {
        Save(window, name);
        // Later, from the event loop: the window's own handlers may not be re-entered here.
        QTimer::singleShot(0, window, [window] { qobject_cast<QDialog*>(window)->reject(); });
        return true;
    });
}

// Chooses a file, presses OK, and takes the picture a third of the way through; the
// dialog closes itself when the download has ended.
void TScreenshotTour::ShootDownloadInProgress() {
    QTemporaryDir scratch;
    ui::TDownLoadForm& dialog = App_.DownLoadForm();
    bool started = false;
    WhileModal(
        QStringLiteral("download_in_progress"), [this] { App_.OpenDownload(); },
        [&](QWidget*) {
            if (!started) {
                started = true;
                // A path longer than the file display, as users' paths are.
                const QString folder = QStringLiteral("instrument-backups/site-north/cabinet-07");
                QDir(scratch.path()).mkpath(folder);
                dialog.FileName->setText(scratch.filePath(folder + QStringLiteral("/demo.nvf")));
                QTimer::singleShot(0, dialog.OKBtn, &QPushButton::click);
                return false;
            }
            const QProgressBar* bar = dialog.ProgressBar;
            if (bar->maximum() > 0 && bar->value() * 3 >= bar->maximum()) {
                Save(&dialog, QStringLiteral("download_in_progress"));
                return true;
            }
            return false;
        });
}

int TScreenshotTour::Run() {
    if (!Directory_.mkpath(QStringLiteral("."))) {
        std::cerr << "norvane: cannot create " << Directory_.path().toStdString() << '\n';
        return 1;
    }
    TMainForm& main = App_.MainForm();
    main.StartupTimerTimer();
    Save(&main, QStringLiteral("main_window"));
    Shoot(QStringLiteral("about_box"), [this] { App_.OpenAbout(); });
    Shoot(QStringLiteral("hidden_picture"), [this] { App_.EasterEggForm().ShowHiddenPicture(); });
    Shoot(QStringLiteral("port_settings"), [this] { App_.OpenPortSettings(); });
    Shoot(QStringLiteral("select_port"), [] { ui::PromptForPort(); });
    Shoot(QStringLiteral("download_idle"), [this] { App_.OpenDownload(); });
    Shoot(QStringLiteral("upload_idle"), [this] { App_.OpenUpload(); });
    Shoot(QStringLiteral("error_report"), [] {
        ui::ShowErrorReport(QStringLiteral("ie_BadId - Specified comport doesn't exist"));
    });
    ShootDownloadInProgress();
    Save(&main, QStringLiteral("main_window_after_download"));
    main.close();
    for (const QString& failure : Failures_) {
        std::cerr << "norvane: " << failure.toStdString() << '\n';
    }
    return Failures_.empty() ? 0 : 1;
}

}  // namespace

int RunScreenshotTour(TNorvaneApplication& application, const QString& directory) {
    return TScreenshotTour(application, directory).Run();
}

}  // namespace norvane::app
