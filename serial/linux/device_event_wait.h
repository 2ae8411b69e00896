#pragma once
// A worker thread's wait for device events: arrivals on the device, its hang-up, and
// wake-ups through a counter (an eventfd), in one epoll set.
//
// The dispatch thread watches arrivals (TWatch::Arrivals) and reads them itself, so a reply
// wakes one thread, not one that hands it to another. The device is watched edge-triggered:
// an arrival is reported once, when bytes reach its input queue, and not again while they sit
// there, so bytes that stay queued because the dispatch ring is full do not wake the thread
// over and over; the dispatch thread's tick picks them up. A hang-up is reported once too.
//
// The com thread watches the hang-up alone (TWatch::HangUp): it is not woken by arrivals,
// and it notices the device going away while the dispatch thread is busy with a
// notification.
//
// Closing the watched device while a thread waits is safe: epoll forgets a descriptor when it
// is closed, and a new file that gets the same number is not watched.
//
// Owned and used by one thread; not copyable.

#include <chrono>

namespace norvane::serial {

class TDeviceEventWait {
  public:
    enum class TEvent { Arrival, Woken, Idle, HangUp };
    enum class TWatch { Arrivals, HangUp };

    // Watches deviceFd (edge-triggered; for `watch`) and wakeFd (level-triggered; each
    // wake-up is consumed). Neither descriptor is owned. Throws std::system_error when the
    // epoll set cannot be made or a descriptor cannot join it.
    TDeviceEventWait(int deviceFd, int wakeFd, TWatch watch = TWatch::Arrivals);
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
