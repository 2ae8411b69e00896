#pragma once
// An abort that stays requested until the transfer has unwound.
//
// TInstrumentLink::Abort() ends only the command being waited for, and the next command
// starts afresh: the download's line clear, whose outcome nobody examines, would swallow an
// abort requested while it waits, and the transfer would run on to the end. A program that
// ends on a signal must not depend on when the signal came, so once requested this aborts
// the command outstanding now and every command sent after it.
//
// User-interface thread only; a QCoreApplication must exist. The link must outlive the
// object. Works while the link waits for replies (it pumps the event loop).

#include <QTimer>

#include "device/instrument_link.h"

namespace norvane::ui {

class TStandingAbort {
  public:
    explicit TStandingAbort(device::TInstrumentLink& link);
    TStandingAbort(const TStandingAbort&) = delete;
    TStandingAbort& operator=(const TStandingAbort&) = delete;

    // Aborts the outstanding command, if any, and each later one as soon as the event loop
    // runs while it waits. Repeated requests change nothing.
    void Request();
    bool Requested() const { return Requested_; }

  private:
    void AbortOutstandingCommand();

    device::TInstrumentLink& Link_;
    QTimer Repeat_;
    bool Requested_ = false;
};

}  // namespace norvane::ui
