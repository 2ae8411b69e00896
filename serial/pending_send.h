#pragma once
// One blocking send in flight between a sending thread and a target's owning thread.
//
// Shared by the sender (which waits) and the owning thread's queue (which runs the handler),
// so it outlives whichever side lets go first. Its state decides, under one lock, the race
// between the sender giving up and the owning thread picking the message up: exactly one of
// them wins, and the loser learns it.

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "serial/message_target.h"

namespace norvane::serial {

class TPendingSend {
  public:
    explicit TPendingSend(const TMessage& message) : Message_(message) {}
    TPendingSend(const TPendingSend&) = delete;
    TPendingSend& operator=(const TPendingSend&) = delete;

    const TMessage& Message() const { return Message_; }

    // Owning thread: claims the message for its handler. False when the sender has already
    // given up (or the target withdrew it); the handler must then not run.
    bool TryStart();

    // Owning thread, after a successful TryStart: hands the handler's result to the sender.
    void Finish(std::int32_t value);

    // Target going away: withdraws the send if its handler has not started. The sender then
    // sees soTimedOut.
    void Withdraw();

    // Sender: waits until the handler has finished, or until `timeout` has passed without the
    // handler having started, whichever comes first (see IMessageTarget::Send).
    TSendResult Await(std::chrono::milliseconds timeout);

  private:
    enum class TState { stQueued, stRunning, stFinished, stWithdrawn };

    const TMessage Message_;
    std::mutex Mutex_;
    std::condition_variable Changed_;
    TState State_ = TState::stQueued;
    std::int32_t Value_ = 0;
};

}  // namespace norvane::serial
