#include "session/qt_link_host.h"

#include <QCoreApplication>

#include "device/instrument_link.h"

namespace norvane::session {

TQtLinkHost::TQtLinkHost(std::function<void()> onTimeOut) {
    Timer_.setSingleShot(true);
    Timer_.setInterval(device::TInstrumentLink::kTimeOutMs);
    Timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&Timer_, &QTimer::timeout, [handler = std::move(onTimeOut)] { handler(); });
}

void TQtLinkHost::SetTimeOutTimer(bool on) {
    if (!on) {
        Timer_.stop();
    } else if (!Timer_.isActive()) {
        Timer_.start();
    }
}

void TQtLinkHost::PumpEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TQtLinkHost::PumpPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace norvane::session
