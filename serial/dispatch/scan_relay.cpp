#include "serial/dispatch/scan_relay.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <system_error>
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
    : Window_(window), Step_(std::move(step)), Wake_(std::move(wake)), Timeout_(timeout) {
    if (::sem_init(&Ended_, 0, 0) != 0) {
        throw std::system_error(errno, std::generic_category(), "sem_init");
    }
}

TScanRelay::~TScanRelay() {
    ::sem_destroy(&Ended_);
}

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
    ::sem_post(&Ended_);
}

void TScanRelay::Abandon() {
    std::lock_guard lock(Mutex_);
    if (State_ == TState::Queued) {
        EndLocked(TProgress::Missed);
    }
}

TScanRelay::TProgress TScanRelay::NoteArrival() {
    std::lock_guard lock(Mutex_);
    if (State_ == TState::Ended) {
        if (Failure_) {
            std::rethrow_exception(Failure_);
        }
        return End_;
    }
    if (State_ == TState::Queued && TClock::now() - QueuedAt_ >= Timeout_) {
        EndLocked(TProgress::Missed);
        return End_;
    }
    Arrived_ = true;
    return TProgress::Relaying;
}

// The scan runs to its end, as the dispatch thread's own would: what arrived before the stop
// still reaches the handlers.
void TScanRelay::Stop() {
    for (;;) {
        TClock::time_point deadline;
        {
            std::lock_guard lock(Mutex_);
            if (State_ == TState::Queued && TClock::now() - QueuedAt_ >= Timeout_) {
                EndLocked(TProgress::Missed);
            }
            if (State_ == TState::Ended) {
                return;
            }
            deadline = (State_ == TState::Queued ? QueuedAt_ : TClock::now()) + Timeout_;
        }
        WaitUntil(deadline);
    }
}

// Until the end is posted or `deadline` has passed.
void TScanRelay::WaitUntil(TClock::time_point deadline) {
    const auto sinceEpoch = deadline.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
    const timespec until{static_cast<time_t>(seconds.count()),
                         static_cast<long>((sinceEpoch - seconds) / std::chrono::nanoseconds(1))};
    while (::sem_clockwait(&Ended_, CLOCK_MONOTONIC, &until) != 0 && errno == EINTR) {
    }
}

}  // namespace norvane::serial
