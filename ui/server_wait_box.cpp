#include "ui/server_wait_box.h"

#include <QCoreApplication>
#include <QTimer>

#include "serial/errors/application_hooks.h"

namespace norvane::ui {

bool TServerWaitBox::Pump(bool waiting) {
    if (!waiting) {
        // Dismissed once the event loop runs again, unless another wait has begun by then.
        QTimer::singleShot(0, [this, generation = Generation_] {
            if (generation == Generation_) {
                Dismiss();
            }
        });
        return Cancelled_;
    }
    ++Generation_;
    if (!Waiting_.isValid()) {
        Waiting_.start();
    }
    if (!Box_ && Waiting_.elapsed() >= kShowAfterMs) {
        Show();
    }
    if (Box_) {
        QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
        Cancelled_ = Cancelled_ || Box_->wasCanceled();
    }
    return Cancelled_;
}

void TServerWaitBox::Show() {
    Box_ = std::make_unique<QProgressDialog>(
        QStringLiteral("Waiting for the serial device server on the network..."),
        QStringLiteral("Cancel"), 0, 0);
    Box_->setWindowTitle(QStringLiteral("Opening the port"));
    Box_->setWindowModality(Qt::ApplicationModal);
    Box_->setMinimumDuration(0);
    Box_->show();
}

void TServerWaitBox::Dismiss() {
    Box_.reset();
    Waiting_.invalidate();
    Cancelled_ = false;
}

TServerWaitBox& InstallServerWaitBox() {
    static TServerWaitBox box;
    serial::SetWaitPump([](bool waiting) { return box.Pump(waiting); });
    return box;
}

}  // namespace norvane::ui
