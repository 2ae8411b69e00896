#include "session/termination_watch.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <stdexcept>
#include <system_error>

#include "serial/errors/application_hooks.h"

namespace norvane::session {

namespace {

// What a signal handler can safely reach of the live watch: the write end of its pipe, and
// (lock-free atomics) when the first request came and how long a repeat counts as the same.
volatile sig_atomic_t SignalPipe = -1;
std::atomic<std::int64_t> FirstRequestNs{0};  // 0: none yet
std::atomic<std::int64_t> InsistAfterNs{0};
static_assert(std::atomic<std::int64_t>::is_always_lock_free, "used from a signal handler");

std::int64_t MonotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);  // async-signal-safe
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

void EndAtOnceBy(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    // Blocked while this handler runs; delivered, now with its default action, on return.
    ::raise(signal);
}

void OnSignal(int signal) {
    const int savedErrno = errno;
    const std::int64_t now = MonotonicNs();
    std::int64_t first = 0;
    if (!FirstRequestNs.compare_exchange_strong(first, now) && signal == SIGINT &&
        now - first >= InsistAfterNs.load()) {
        EndAtOnceBy(SIGINT);
        errno = savedErrno;
        return;
    }
    const char number = static_cast<char>(signal);
    if (SignalPipe >= 0) {
        [[maybe_unused]] const ssize_t ignored = ::write(SignalPipe, &number, 1);
    }
    errno = savedErrno;
}

}  // namespace

TTerminationWatch::TTerminationWatch(std::function<void(int signal)> onSignal,
                                     std::chrono::milliseconds insistAfter)
    : OnSignal_(std::move(onSignal)) {
    if (SignalPipe >= 0) {
        throw std::logic_error("a termination watch is already installed");
    }
    if (::pipe2(Pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(),
                                "cannot watch for termination signals");
    }
    SignalPipe = Pipe_[1];
    FirstRequestNs = 0;
    InsistAfterNs = std::chrono::nanoseconds(insistAfter).count();
    // The serial layer's waits for a network server run outside the event loop; they watch
    // the pipe too and give up, so the signal is delivered at once rather than after them.
    serial::SetWaitInterruptFd(Pipe_[0]);
    Notifier_ = std::make_unique<QSocketNotifier>(Pipe_[0], QSocketNotifier::Read);
    QObject::connect(Notifier_.get(), &QSocketNotifier::activated, [this] { Deliver(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        sigaddset(&action.sa_mask, signal);
    }
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &action, &Previous_[i]);
    }
}

TTerminationWatch::~TTerminationWatch() {
    // After a request the program is on its way out, and the repeat a process group gets
    // may still come while it finishes: the handler stays and, with no pipe, drops it.
    if (FirstRequestNs.load() == 0) {
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            ::sigaction(kSignals[i], &Previous_[i], nullptr);
        }
    }
    SignalPipe = -1;
    serial::SetWaitInterruptFd(-1);
    Notifier_.reset();
    ::close(Pipe_[0]);
    ::close(Pipe_[1]);
}

void TTerminationWatch::Deliver() {
    char numbers[16];
    ssize_t count = 0;
    while ((count = ::read(Pipe_[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            OnSignal_(numbers[i]);
        }
    }
}

}  // namespace norvane::session
