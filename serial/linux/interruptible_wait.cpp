#include "serial/linux/interruptible_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "serial/errors/application_hooks.h"

namespace norvane::serial {

namespace {

constexpr int kPumpIntervalMs = 50;

int MillisecondsLeft(TWaitClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TWaitClock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

int PollOnce(int fd, short events, TWaitClock::time_point deadline, bool pumped) {
    pollfd watched[2] = {{fd, events, 0}, {WaitInterruptFd(), POLLIN, 0}};
    const nfds_t count = watched[1].fd >= 0 ? 2 : 1;
    const int left = MillisecondsLeft(deadline);
    const int ready = ::poll(watched, count, pumped ? std::min(left, kPumpIntervalMs) : left);
    if (ready < 0) {
        return errno == EINTR ? 0 : -errno;
    }
    if (count == 2 && watched[1].revents != 0) {
        return -ECANCELED;
    }
    return ready == 0 ? 0 : 1;
}

}  // namespace

int WaitForEvents(int fd, short events, TWaitClock::time_point deadline) {
    const TWaitPump* pump = WaitPump();
    int result = 0;
    while (TWaitClock::now() < deadline) {
        result = PollOnce(fd, events, deadline, pump != nullptr);
        if (result != 0) {
            break;
        }
        if (pump != nullptr && (*pump)(true)) {
            result = -ECANCELED;
            break;
        }
    }
    if (pump != nullptr) {
        (*pump)(false);
    }
    return result;
}

}  // namespace norvane::serial
