#include "serial/dispatch/scan_relay.h"

#include <atomic>
#include <utility>

namespace norvane::serial {

// Rides along with a posted step. A window that drops the step unrun (it went away with the
// step still queued) destroys the ticket unused, and the relay learns that the step is lost
// instead of waiting out the timeout for it.
class TScanRelay::TTicket {
  public:
    explicit TTicket(std::shared_ptr<TScanRelay> relay) : Relay_(std::move(relay)) {}
    ~TTicket() {
        if (!Used_.load()) {
            Relay_->Abandon();
        }
    }
    TTicket(const TTicket&) = delete;
    TTicket& operator=(const TTicket&) = delete;

    void Run() {
        Used_.store(true);
        Relay_->RunStep();
    }
    void Cancel() { Used_.store(true); }

  private:
    const std::shared_ptr<TScanRelay> Relay_;
    std::atomic<bool> Used_{false};
};

std::shared_ptr<TScanRelay> TScanRelay::Start(IMessageTarget& window, TStep step,
                                              std::function<void()> wake,
                                              std::chrono::milliseconds timeout) {
    if (window.OwnedByCallingThread()) {
        return nullptr;
    }
    auto relay = std::make_shared<TScanRelay>(window, std::move(step), std::move(wake), timeout);
    relay->QueuedAt_ = TClock::now();
    return relay->PostStep() ? relay : nullptr;
}

TScanRelay::TScanRelay(IMessageTarget& window, TStep step, std::function<void()> wake,
                       std::chrono::milliseconds timeout)
    : Window_(window), Step_(std::move(step)), Wake_(std::move(wake)), Timeout_(timeout) {}

// Either thread: the dispatch thread posts the first step, the window's thread each next one.
bool TScanRelay::PostStep() {
    const auto ticket = std::make_shared<TTicket>(shared_from_this());
    if (Window_.PostJob([ticket] { ticket->Run(); })) {
        return true;
    }
    ticket->Cancel();
    return false;
}

// The window's thread. Deciding on the next step and leaving Running happen under one lock,
// so an arrival noted meanwhile is either seen here or finds the relay ended, and then the
// dispatch thread reads it itself. As on the dispatch thread, the ring is refilled only once
// the scan has reported all it holds: a line's last avail offers its line feed alone, however
// soon the next line arrives.
void TScanRelay::RunStep() {
    bool refill = false;
    {
        std::lock_guard lock(Mutex_);
        if (State_ != TState::Queued) {
            return;  // withdrawn: the dispatch thread gave up on it
        }
        State_ = TState::Running;
        refill = std::exchange(RefillNext_, false);
    }
    const TTurn turn = RunStepFunction(refill);
    bool post = false;
    bool wake = false;
    {
        std::lock_guard lock(Mutex_);
        RefillNext_ = turn == TTurn::Finished && Arrived_;
        Arrived_ = Arrived_ && !RefillNext_;
        post = !Failure_ && (turn == TTurn::Again || RefillNext_);
        if (post) {
            State_ = TState::Queued;
            QueuedAt_ = TClock::now();
        } else {
            EndLocked(turn == TTurn::HandBack ? TProgress::HandedBack : TProgress::Finished);
            wake = turn == TTurn::HandBack || Failure_;
        }
    }
    if (post && !PostStep()) {
        std::lock_guard lock(Mutex_);
        if (State_ == TState::Queued) {
            EndLocked(TProgress::HandedBack);  // the window stopped taking jobs
            wake = true;
        }
    }
    if (wake && Wake_) {
        Wake_();
    }
}

TScanRelay::TTurn TScanRelay::RunStepFunction(bool refill) {
    try {
        return Step_(refill);
    } catch (...) {
        // Rethrown on the dispatch thread, where a failing scan has always ended up.
        std::lock_guard lock(Mutex_);
        Failure_ = std::current_exception();
        return TTurn::Finished;
    }
}

// Under Mutex_.
void TScanRelay::EndLocked(TProgress end) {
    State_ = TState::Ended;
    End_ = end;
    Ended_.notify_all();
}

// Under Mutex_: a step queued for longer than the timeout is withdrawn, and the relay ends.
void TScanRelay::WithdrawOverdueLocked() {
    if (State_ == TState::Queued && TClock::now() - QueuedAt_ >= Timeout_) {
        EndLocked(TProgress::Missed);
    }
}

void TScanRelay::Abandon() {
    std::lock_guard lock(Mutex_);
    if (State_ == TState::Queued) {
        EndLocked(TProgress::Missed);
    }
}

TScanRelay::TProgress TScanRelay::NoteArrival() {
    std::lock_guard lock(Mutex_);
    WithdrawOverdueLocked();
    if (State_ == TState::Ended) {
        if (Failure_) {
            std::rethrow_exception(Failure_);
        }
        return End_;
    }
    Arrived_ = true;
    return TProgress::Relaying;
}

// The scan runs to its end, as the dispatch thread's own would: what arrived before the stop
// still reaches the handlers.
void TScanRelay::Stop() {
    std::unique_lock lock(Mutex_);
    for (WithdrawOverdueLocked(); State_ != TState::Ended; WithdrawOverdueLocked()) {
        const TClock::time_point from = State_ == TState::Queued ? QueuedAt_ : TClock::now();
        Ended_.wait_until(lock, from + Timeout_);
    }
}

}  // namespace norvane::serial
