#pragma once
// SIGTERM, SIGINT and SIGHUP as something to poll. The signals are blocked and read from a
// signalfd, so no handler runs at an arbitrary point and every wait of the simulator (for
// input, think time, line pacing, a full output buffer) can end the moment one arrives.

#include <signal.h>

#include <chrono>
#include <optional>

#include "sim/file_descriptor.h"

namespace norvane::sim {

class TStopSignal {
  public:
    using TClock = std::chrono::steady_clock;

    // Blocks the signals for this (single-threaded) process. Throws on failure.
    TStopSignal();
    // Restores the signal mask found at construction.
    ~TStopSignal();
    TStopSignal(const TStopSignal&) = delete;
    TStopSignal& operator=(const TStopSignal&) = delete;

    // Readable when a stop signal is pending.
    int Fd() const { return Fd_.Get(); }

    // Whether a stop signal has arrived; once true, stays true.
    bool Requested();

    // Sleeps until the deadline. Returns false if a stop signal cut the sleep short.
    bool SleepUntil(TClock::time_point deadline);

    // Waits until fd can take output. Returns false if a stop signal came first.
    bool WaitUntilWritable(int fd);

  private:
    // Waits for the given events on fd, or only for the signal when fd < 0, up to the
    // deadline (none: for ever). Returns false if a stop signal arrived.
    bool WaitFor(int fd, short events, std::optional<TClock::time_point> deadline);

    TFileDescriptor Fd_;
    sigset_t PreviousMask_;
    bool Requested_ = false;
};

}  // namespace norvane::sim
