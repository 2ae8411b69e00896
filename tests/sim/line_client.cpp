#include "tests/sim/line_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "tests/support/child_process.h"

namespace norvane::test {

namespace {

using TClock = std::chrono::steady_clock;

std::string WithoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

}  // namespace

TLineClient::TLineClient(const std::string& path)
    : Fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    if (Fd_ < 0) {
        throw SystemError("cannot open " + path);
    }
    termios settings{};
    if (tcgetattr(Fd_, &settings) != 0) {
        close(Fd_);
        throw SystemError("tcgetattr " + path);
    }
    cfmakeraw(&settings);
    // TCSANOW, not TCSAFLUSH: bytes already waiting (a preamble) must survive.
    if (tcsetattr(Fd_, TCSANOW, &settings) != 0) {
        close(Fd_);
        throw SystemError("tcsetattr " + path);
    }
}

TLineClient::~TLineClient() {
    close(Fd_);
}

void TLineClient::Send(const std::string& bytes) {
    std::size_t sent = 0;
    const auto deadline = TClock::now() + kReplyTimeout;
    while (sent < bytes.size()) {
        const ssize_t n = write(Fd_, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            throw SystemError("write to the line");
        } else if (TClock::now() > deadline) {
            throw std::runtime_error("the line took no more bytes");
        } else {
            pollfd pfd{Fd_, POLLOUT, 0};
            poll(&pfd, 1, 10);
        }
    }
}

std::optional<std::string> TLineClient::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = TClock::now() + timeout;
    while (Received_.find('\n') == std::string::npos) {
        if (TClock::now() >= deadline) {
            return std::nullopt;
        }
        ReadSome(Fd_, Received_, deadline);
    }
    const auto lf = Received_.find('\n');
    std::string line = WithoutCr(Received_.substr(0, lf));
    Received_.erase(0, lf + 1);
    return line;
}

std::optional<std::string> TLineClient::Ask(const std::string& command) {
    Send(command + "\r\n");
    return ReadLine();
}

std::string TLineClient::ReadRawFor(std::chrono::milliseconds period) {
    const auto deadline = TClock::now() + period;
    while (TClock::now() < deadline) {
        ReadSome(Fd_, Received_, deadline);
    }
    return std::exchange(Received_, std::string());
}

std::string TLineClient::ReadRaw(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = TClock::now() + timeout;
    while (Received_.size() < count && TClock::now() < deadline) {
        ReadSome(Fd_, Received_, deadline);
    }
    const std::size_t taken = std::min(count, Received_.size());
    std::string bytes = Received_.substr(0, taken);
    Received_.erase(0, taken);
    return bytes;
}

}  // namespace norvane::test
