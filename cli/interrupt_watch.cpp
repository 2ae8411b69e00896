#include "cli/interrupt_watch.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <stdexcept>
#include <system_error>

namespace norvane::cli {

namespace {

// The write end of the watch's pipe; a signal handler can reach nothing else safely.
volatile sig_atomic_t InterruptPipe = -1;

void OnSigint(int) {
    const char byte = 1;
    if (InterruptPipe >= 0) {
        [[maybe_unused]] const ssize_t ignored = ::write(InterruptPipe, &byte, 1);
    }
    // The next Ctrl-C takes the default action: the user insists.
    ::signal(SIGINT, SIG_DFL);
}

}  // namespace

TInterruptWatch::TInterruptWatch(std::function<void()> onInterrupt) {
    if (::pipe2(Pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "cannot watch for Ctrl-C");
    }
    InterruptPipe = Pipe_[1];
    Notifier_ = std::make_unique<QSocketNotifier>(Pipe_[0], QSocketNotifier::Read);
    QObject::connect(Notifier_.get(), &QSocketNotifier::activated,
                     [fd = Pipe_[0], handler = std::move(onInterrupt)] {
                         char bytes[16];
                         while (::read(fd, bytes, sizeof bytes) > 0) {
                         }
                         handler();
                     });
    struct sigaction action {};
    action.sa_handler = OnSigint;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
}

TInterruptWatch::~TInterruptWatch() {
    ::signal(SIGINT, SIG_DFL);
    InterruptPipe = -1;
    Notifier_.reset();
    ::close(Pipe_[0]);
    ::close(Pipe_[1]);
}

}  // namespace norvane::cli
