#include "serial/linux/device_event_wait.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace norvane::serial {

namespace {

constexpr std::uint64_t kDeviceTag = 1;
constexpr std::uint64_t kWakeTag = 2;

void Watch(int epollFd, int fd, std::uint32_t events, std::uint64_t tag) {
    epoll_event event{};
    event.events = events;
    event.data.u64 = tag;
    if (::epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &event) != 0) {
        throw std::system_error(errno, std::generic_category(), "cannot watch the serial device");
    }
}

}  // namespace

TDeviceEventWait::TDeviceEventWait(int deviceFd, int wakeFd, TWatch watch) : WakeFd_(wakeFd) {
    EpollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (EpollFd_ < 0) {
        throw std::system_error(errno, std::generic_category(),
                                "cannot wait for the serial device's events");
    }
    try {
        Watch(EpollFd_, wakeFd, EPOLLIN, kWakeTag);
        // A hang-up and an error are always reported; EPOLLIN asks for arrivals too.
        Watch(EpollFd_, deviceFd, (watch == TWatch::Arrivals ? EPOLLIN : 0U) | EPOLLET, kDeviceTag);
    } catch (...) {
        ::close(EpollFd_);
        throw;
    }
}

TDeviceEventWait::~TDeviceEventWait() {
    ::close(EpollFd_);
}

TDeviceEventWait::TEvent TDeviceEventWait::Next(std::chrono::milliseconds limit) {
    if (ArrivalHeld_) {
        ArrivalHeld_ = false;
        return TEvent::Arrival;
    }
    epoll_event events[2] = {};
    const int ready = ::epoll_wait(EpollFd_, events, 2, static_cast<int>(limit.count()));
    if (ready < 0) {
        if (errno == EINTR) {
            return TEvent::Idle;
        }
        throw std::system_error(errno, std::generic_category(),
                                "cannot wait for the serial device's events");
    }
    bool woken = false;
    bool arrival = false;
    bool hangUp = false;
    for (int i = 0; i < ready; ++i) {
        if (events[i].data.u64 == kWakeTag) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t taken = ::read(WakeFd_, &count, sizeof count);
            woken = true;
        } else {
            hangUp = (events[i].events & (EPOLLHUP | EPOLLERR)) != 0;
            arrival = (events[i].events & EPOLLIN) != 0;
        }
    }
    if (hangUp) {
        return TEvent::HangUp;
    }
    if (woken) {
        // Edge-triggered: this arrival will not be reported again.
        ArrivalHeld_ = arrival;
        return TEvent::Woken;
    }
    return arrival ? TEvent::Arrival : TEvent::Idle;
}

}  // namespace norvane::serial
