#include "pty_port.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace norvane::test {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// With no timer running a real program would wait for user input; a test has none, so a
// long silence means the test is stuck.
constexpr int kHangGuardMs = 20'000;

}  // namespace

TPtyPort::TPtyPort(const std::string& path)
    : Fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    if (Fd_ < 0) {
        ThrowErrno("open " + path);
    }
    termios tio{};
    if (::tcgetattr(Fd_, &tio) != 0) {
        ThrowErrno("tcgetattr " + path);
    }
    ::cfmakeraw(&tio);
    if (::tcsetattr(Fd_, TCSANOW, &tio) != 0) {
        ThrowErrno("tcsetattr " + path);
    }
}

TPtyPort::~TPtyPort() {
    ::close(Fd_);
}

void TPtyPort::PutString(const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(Fd_, data.data() + done, data.size() - done);
        if (n < 0 && errno == EAGAIN) {
            pollfd out{Fd_, POLLOUT, 0};
            ::poll(&out, 1, kHangGuardMs);
            continue;
        }
        if (n < 0 && errno != EINTR) {
            ThrowErrno("write to the instrument");
        }
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

void TPtyPort::SetTimeOutTimer(bool on) {
    if (on && !TimerRunning_) {
        TimerDeadline_ =
            Clock::now() + std::chrono::milliseconds(device::TInstrumentLink::kTimeOutMs);
    }
    TimerRunning_ = on;
}

void TPtyPort::PumpEvents() {
    int waitMs = kHangGuardMs;
    if (TimerRunning_) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(TimerDeadline_ - Clock::now());
        waitMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
    }
    pollfd in{Fd_, POLLIN, 0};
    const int ready = ::poll(&in, 1, waitMs);
    if (ready < 0 && errno != EINTR) {
        ThrowErrno("poll the instrument line");
    }
    if (ready > 0) {
        char bytes[512];
        const ssize_t n = ::read(Fd_, bytes, sizeof bytes);
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            ThrowErrno("read from the instrument");
        }
        if (n > 0) {
            Notifier_.Deliver(std::string(bytes, static_cast<std::size_t>(n)), *this, Link_);
        }
        return;
    }
    if (TimerRunning_ && Clock::now() >= TimerDeadline_) {
        TimerRunning_ = false;
        if (Link_ != nullptr) {
            Link_->TimeOutTimerTimer();
        }
        return;
    }
    if (!TimerRunning_ && ready == 0) {
        throw std::runtime_error("no event for 20 s with no time-out running: the test is stuck");
    }
}

}  // namespace norvane::test
