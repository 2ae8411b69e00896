#pragma once
// The signals that ask a program to end — SIGTERM (a service manager, `timeout`, `kill`),
// SIGHUP (the terminal went away) and SIGINT (Ctrl-C) — handed to the Qt event loop, so that
// the program ends the way its own Exit or Abort would: transfers unwind, the port closes
// (which also lifts its exclusive-use lock) and temporary files go. Dying in the default
// action would skip all of that.
//
// The signal handler only writes the signal's number into a pipe; the callback runs later,
// from the event loop, once per signal received. A SIGINT that comes `insistAfter` (2 s) or
// more after the first of these signals takes its default action and ends the program at
// once: a user pressing Ctrl-C again insists, and the clean way out may be what hangs. One
// that comes sooner is the same request again, not insistence: `timeout -s INT`, process
// supervisors and a terminal's Ctrl-C signal the program and then its whole process group,
// which often means twice within a few milliseconds.
//
// While a watch is alive, the serial layer's own waits for a network server (at open and
// close, outside the event loop) end as soon as one of these signals arrives
// (application_hooks.h, SetWaitInterruptFd): the failure they report carries ECANCELED.
//
// One watch at a time per process; construct and destroy it on the thread that runs the
// event loop. The callback is only ever called from that event loop.

#include <signal.h>

#include <QSocketNotifier>
#include <array>
#include <chrono>
#include <functional>
#include <memory>

namespace norvane::session {

class TTerminationWatch {
  public:
    static constexpr std::chrono::milliseconds kInsistAfter{2000};

    // Installs the handlers. Throws std::system_error when the pipe cannot be made and
    // std::logic_error when another watch is alive; the dispositions are unchanged then.
    explicit TTerminationWatch(std::function<void(int signal)> onSignal,
                               std::chrono::milliseconds insistAfter = kInsistAfter);
    // Restores the dispositions found at construction, unless one of the signals came: then
    // the program is ending, and the handler stays for the rest of its life, so that a
    // repeat arriving after the watch is gone is dropped (or insists) as above rather than
    // killing a program that is writing its last words. Signals still in the pipe are lost.
    ~TTerminationWatch();
    TTerminationWatch(const TTerminationWatch&) = delete;
    TTerminationWatch& operator=(const TTerminationWatch&) = delete;

  private:
    void Deliver();

    static constexpr std::array<int, 3> kSignals{SIGTERM, SIGHUP, SIGINT};

    int Pipe_[2] = {-1, -1};
    std::array<struct sigaction, kSignals.size()> Previous_{};
    std::function<void(int)> OnSignal_;
    std::unique_ptr<QSocketNotifier> Notifier_;
};

}  // namespace norvane::session
