#include "serial/linux/interruptible_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "serial/errors/application_hooks.h"

namespace norvane::serial {

int MillisecondsLeft(TWaitClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TWaitClock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

int WaitForEvents(int fd, short events, TWaitClock::time_point deadline) {
    for (;;) {
        if (TWaitClock::now() >= deadline) {
            return 0;
        }
        pollfd watched[2] = {{fd, events, 0}, {WaitInterruptFd(), POLLIN, 0}};
        const nfds_t count = watched[1].fd >= 0 ? 2 : 1;
        const int ready = ::poll(watched, count, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return -errno;
        }
        if (count == 2 && watched[1].revents != 0) {
            return -ECANCELED;
        }
        return ready == 0 ? 0 : 1;
    }
}

}  // namespace norvane::serial
