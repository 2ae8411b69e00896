#pragma once
// The com thread's wait for device events: arrivals on the device and wake-ups through a
// counter (an eventfd), in one epoll set.
//
// The device is watched edge-triggered: an arrival is reported once, when bytes reach its
// input queue, and not again while they sit there. So the com thread can hand an arrival to
// the dispatch thread and wait again at once, instead of waiting for the dispatch cycle to
// have read the bytes (with a level-triggered wait it would be woken for them again and
// again). Bytes that stay queued because the dispatch ring is full are picked up by the
// dispatch thread's tick, not by a new event. A hang-up is reported once too: the com thread
// treats the device as lost at once.
//
// Owned and used by one thread (the com thread); not copyable.

#include <chrono>

namespace norvane::serial {

class TDeviceEventWait {
  public:
    enum class TEvent { Arrival, Woken, Idle, HangUp };

    // Watches deviceFd (edge-triggered) and wakeFd (level-triggered; each wake-up is
    // consumed). Neither descriptor is owned. Throws std::system_error when the epoll set
    // cannot be made or a descriptor cannot join it.
    TDeviceEventWait(int deviceFd, int wakeFd);
    ~TDeviceEventWait();
    TDeviceEventWait(const TDeviceEventWait&) = delete;
    TDeviceEventWait& operator=(const TDeviceEventWait&) = delete;

    // Blocks until an event, or until `limit` has passed (Idle; negative: no limit). A
    // wake-up reported together with an arrival comes first and the arrival at the next
    // call, so that neither is lost. A signal interrupting the wait gives Idle. Throws
    // std::system_error when the wait itself fails.
    TEvent Next(std::chrono::milliseconds limit = std::chrono::milliseconds(-1));

  private:
    int EpollFd_ = -1;
    const int WakeFd_;
    bool ArrivalHeld_ = false;
};

}  // namespace norvane::serial
