#pragma once
// An event loop with a fake clock, standing in for the host's event pump.
//
// Events are posted for a given moment; PumpEvents() delivers everything that is due and,
// when nothing is, jumps the clock to the next event or the time-out timer's expiry, so a
// 2000 ms time-out costs no real time. A pump with nothing to deliver and no timer running
// would block forever in a real program: here it fails the test instead of hanging.

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>

#include "device/instrument_link.h"
#include "device/link_host.h"

namespace norvane::device::testing {

class TFakeEventLoop : public ILinkHost {
  public:
    // The link's own interval, so that the tests' "2000" checks the program's value.
    static constexpr std::int64_t kTimeOutMs = TInstrumentLink::kTimeOutMs;

    // Runs `event` from the pump `delayMs` after the current fake time. Events due at the
    // same moment run in the order they were posted.
    void Post(std::function<void()> event, std::int64_t delayMs = 0) {
        Queue_.emplace(Key{Now_ + delayMs, NextSequence_++}, std::move(event));
    }

    // Called when the time-out timer expires (the link's TimeOutTimerTimer).
    void SetTimerHandler(std::function<void()> handler) { TimerHandler_ = std::move(handler); }

    void SetTimeOutTimer(bool on) override {
        if (on && !TimerRunning_) {
            TimerDeadline_ = Now_ + kTimeOutMs;
            ++TimerStarts_;
        }
        TimerRunning_ = on;
    }

    void PumpEvents() override {
        ++Pumps_;
        if (Pumps_ > kMaxPumps) {
            throw std::logic_error("event pump ran away");
        }
        if (!DeliverDueEvents()) {
            AdvanceToNextEvent();
        }
    }

    // What is due now, without moving the clock.
    void PumpPendingEvents() override { DeliverDueEvents(); }

    bool TimerRunning() const { return TimerRunning_; }
    int TimerStarts() const { return TimerStarts_; }
    std::int64_t Now() const { return Now_; }
    std::int64_t Pumps() const { return Pumps_; }

  private:
    struct Key {
        std::int64_t due;
        std::int64_t sequence;
        bool operator<(const Key& other) const {
            return due != other.due ? due < other.due : sequence < other.sequence;
        }
    };
    static constexpr std::int64_t kMaxPumps = 10'000'000;

    bool DeliverDueEvents() {
        bool delivered = false;
        while (!Queue_.empty() && Queue_.begin()->first.due <= Now_) {
            auto event = std::move(Queue_.begin()->second);
            Queue_.erase(Queue_.begin());
            event();
            delivered = true;
        }
        return delivered;
    }

    // Nothing due: wait, as a real pump would, for whichever comes first.
    void AdvanceToNextEvent() {
        const bool haveEvent = !Queue_.empty();
        if (!haveEvent && !TimerRunning_) {
            throw std::logic_error("event pump would block forever: nothing posted, no timer");
        }
        const std::int64_t nextEvent = haveEvent ? Queue_.begin()->first.due : INT64_MAX;
        if (TimerRunning_ && TimerDeadline_ <= nextEvent) {
            Now_ = TimerDeadline_;
            TimerRunning_ = false;
            if (TimerHandler_) {
                TimerHandler_();
            }
            return;
        }
        Now_ = nextEvent;
        DeliverDueEvents();
    }

    std::map<Key, std::function<void()>> Queue_;
    std::int64_t NextSequence_ = 0;
    std::int64_t Now_ = 0;
    bool TimerRunning_ = false;
    std::int64_t TimerDeadline_ = 0;
    int TimerStarts_ = 0;
    std::int64_t Pumps_ = 0;
    std::function<void()> TimerHandler_;
};

}  // namespace norvane::device::testing
