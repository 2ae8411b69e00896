#include "serial/pending_send.h"

namespace norvane::serial {

bool TPendingSend::TryStart() {
    std::lock_guard lock(Mutex_);
    if (State_ != TState::stQueued) {
        return false;
    }
    State_ = TState::stRunning;
    return true;
}

void TPendingSend::Finish(std::int32_t value) {
    {
        std::lock_guard lock(Mutex_);
        Value_ = value;
        State_ = TState::stFinished;
    }
    Changed_.notify_all();
}

void TPendingSend::Withdraw() {
    {
        std::lock_guard lock(Mutex_);
        if (State_ != TState::stQueued) {
            return;
        }
        State_ = TState::stWithdrawn;
    }
    Changed_.notify_all();
}

TSendResult TPendingSend::Await(std::chrono::milliseconds timeout) {
    std::unique_lock lock(Mutex_);
    const bool picked =
        Changed_.wait_for(lock, timeout, [this] { return State_ != TState::stQueued; });
    if (!picked) {
        State_ = TState::stWithdrawn;
    }
    Changed_.wait(lock, [this] { return State_ != TState::stRunning; });
    if (State_ == TState::stFinished) {
        return {TSendOutcome::soDelivered, Value_};
    }
    return {TSendOutcome::soTimedOut, 0};
}

}  // namespace norvane::serial
