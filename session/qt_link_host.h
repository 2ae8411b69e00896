#pragma once
// The instrument conversation's timer and event pump on a Qt event loop (QtCore only).
//
// A pass of the pump blocks until the loop has something to deliver: a serial notification
// (the port's message target wakes the loop), the time-out, a signal. A transfer waiting on
// a silent instrument therefore sleeps instead of spinning.

#include <QTimer>
#include <functional>

#include "device/link_host.h"

namespace norvane::session {

class TQtLinkHost : public device::ILinkHost {
  public:
    // onTimeOut runs from the event loop when the 2000 ms time-out expires.
    explicit TQtLinkHost(std::function<void()> onTimeOut);

    void SetTimeOutTimer(bool on) override;
    void PumpEvents() override;
    void PumpPendingEvents() override;

  private:
    QTimer Timer_;
};

}  // namespace norvane::session
