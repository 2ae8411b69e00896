#include "ui/standing_abort.h"

namespace norvane::ui {

namespace {

// How soon a command sent after the request gives up: short against the 2000 ms time-out,
// long enough that an idle event loop does not spin.
constexpr int kRepeatMs = 10;

}  // namespace

TStandingAbort::TStandingAbort(device::TInstrumentLink& link) : Link_(link) {
    Repeat_.setInterval(kRepeatMs);
    QObject::connect(&Repeat_, &QTimer::timeout, [this] { AbortOutstandingCommand(); });
}

void TStandingAbort::Request() {
    Requested_ = true;
    AbortOutstandingCommand();
    Repeat_.start();
}

void TStandingAbort::AbortOutstandingCommand() {
    if (Link_.CommandOutstanding()) {
        Link_.Abort();
    }
}

}  // namespace norvane::ui
