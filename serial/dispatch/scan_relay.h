#pragma once
// TScanRelay: a dispatcher's scan, run step by step on the thread of the one window that
// takes its notifications.
//
// Every notification is a blocking send: sent from the dispatch thread, each one wakes the
// window's thread and then the dispatch thread again, and a line costs two of them (its avail
// and data, then the avail that offers its line feed). The relay posts the scan's first step
// to the window's thread instead; each step sends its notifications there, inline, and posts
// the next step behind whatever else is queued. The window's event loop turns between steps,
// so the program runs between them just as it does between sends, and sees the same
// notifications in the same order. The dispatch thread does not wait for the steps: it goes
// back to watching the device, and is woken by the next arrival only.
//
// While a relay is under way the window's thread is the one that scans, and it also reads
// what arrives meanwhile: the dispatch thread only notes an arrival (NoteArrival), and once
// the steps have reported all the ring holds, one more step refills it and scans on. So
// bytes reach the ring and the notifications in the order one thread reading and scanning
// would give them.
//
// The rules of a send carry over to each step: a step the window's thread has not started
// within the timeout is withdrawn and never runs; a step that has started runs to its end,
// however long it takes.

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

#include "serial/dispatch/message_target.h"

namespace norvane::serial {

class TScanRelay : public std::enable_shared_from_this<TScanRelay> {
  public:
    // What a step asks for next.
    enum class TTurn {
        Again,     // another step, on the window's thread
        Finished,  // nothing more to report for now
        HandBack,  // the scan goes on, but on the dispatch thread (the window changed)
    };
    // Where a relay stands, as the dispatch thread learns it.
    enum class TProgress {
        Relaying,    // steps go on; the next one reads what arrived
        Finished,    // a step found nothing more to report
        HandedBack,  // a step handed the scan back, or the window stopped taking jobs
        Missed,      // a step was not picked up in time, or its window went away unrun
    };
    // One step, on the window's thread. refill: bytes may have arrived since the ring was last
    // filled; the step reads them before it scans.
    using TStep = std::function<TTurn(bool refill)>;

    // Dispatch thread: posts step's first run to window's thread. Null, with nothing posted,
    // when the calling thread owns window (there is nothing to relay to) or window takes no
    // jobs. wake runs, on the window's thread, when the scan comes back to the dispatch thread
    // by a HandBack or by a step that threw: the dispatch thread must look at it then, not
    // at its next arrival.
    static std::shared_ptr<TScanRelay> Start(IMessageTarget& window, TStep step,
                                             std::function<void()> wake,
                                             std::chrono::milliseconds timeout);

    // Dispatch thread, after an arrival or on its tick: while steps go on, notes that the next
    // one must refill the ring, and withdraws a step not picked up within the timeout.
    // Rethrows what a step threw.
    TProgress NoteArrival();
    // Dispatch thread, when it ends (no NoteArrival after it): lets the scan report what has
    // arrived, and waits for that under the timeout rule above; no step runs after this
    // returns.
    void Stop();

    TScanRelay(IMessageTarget& window, TStep step, std::function<void()> wake,
               std::chrono::milliseconds timeout);
    TScanRelay(const TScanRelay&) = delete;
    TScanRelay& operator=(const TScanRelay&) = delete;

  private:
    using TClock = std::chrono::steady_clock;
    enum class TState { Queued, Running, Ended };
    class TTicket;

    bool PostStep();
    void RunStep();
    TTurn RunStepFunction(bool refill);
    void EndLocked(TProgress end);
    void Abandon();
    void WithdrawOverdueLocked();

    IMessageTarget& Window_;
    const TStep Step_;
    const std::function<void()> Wake_;
    const std::chrono::milliseconds Timeout_;

    std::mutex Mutex_;
    std::condition_variable Ended_;  // the state turned Ended; only Stop waits for it
    TState State_ = TState::Queued;
    TClock::time_point QueuedAt_;
    TProgress End_ = TProgress::Relaying;
    bool Arrived_ = false;        // something arrived that no step has read yet
    bool RefillNext_ = false;     // the next step reads it before it scans
    std::exception_ptr Failure_;  // what a step threw
};

}  // namespace norvane::serial
