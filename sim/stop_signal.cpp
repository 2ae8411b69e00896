#include "sim/stop_signal.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "sim/system_error.h"

namespace norvane::sim {

namespace {

sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    return signals;
}

// Milliseconds to the deadline, rounded up so that we never wake early. Millisecond
// granularity is plenty: the line pacer catches up on late wake-ups by sending every byte
// that has fallen due, much as a real UART driver hands over bytes in bursts.
int MillisecondsUntil(TStopSignal::TClock::time_point deadline) {
    const auto left = deadline - TStopSignal::TClock::now();
    if (left <= TStopSignal::TClock::duration::zero()) {
        return 0;
    }
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(milliseconds, std::numeric_limits<int>::max()));
}

}  // namespace

TStopSignal::TStopSignal() {
    const sigset_t signals = StopSignals();
    if (sigprocmask(SIG_BLOCK, &signals, &PreviousMask_) != 0) {
        throw SystemError("cannot block the stop signals");
    }
    Fd_ = TFileDescriptor(signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC));
    if (!Fd_.IsOpen()) {
        throw SystemError("cannot create a signalfd");
    }
}

TStopSignal::~TStopSignal() {
    sigprocmask(SIG_SETMASK, &PreviousMask_, nullptr);
}

bool TStopSignal::Requested() {
    signalfd_siginfo info;
    while (::read(Fd_.Get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        Requested_ = true;
    }
    return Requested_;
}

bool TStopSignal::SleepUntil(TClock::time_point deadline) {
    while (TClock::now() < deadline) {
        if (!WaitFor(-1, 0, deadline)) {
            return false;
        }
    }
    return !Requested();
}

bool TStopSignal::WaitUntilWritable(int fd) {
    return WaitFor(fd, POLLOUT, std::nullopt);
}

bool TStopSignal::WaitFor(int fd, short events, std::optional<TClock::time_point> deadline) {
    pollfd fds[2] = {{Fd_.Get(), POLLIN, 0}, {fd, events, 0}};
    const nfds_t count = fd >= 0 ? 2 : 1;
    const int timeout = deadline ? MillisecondsUntil(*deadline) : -1;
    const int ready = poll(fds, count, timeout);
    if (ready < 0 && errno != EINTR) {
        throw SystemError("poll failed");
    }
    return !Requested();
}

}  // namespace norvane::sim
