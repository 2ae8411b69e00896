#pragma once
// One blocking send in flight between a sending thread and a target's owning thread.
//
// Shared by the sender (which waits) and the owning thread's queue (which runs the handler),
// so it outlives whichever side lets go first. Its state decides, by one atomic exchange,
// the race between the sender giving up and the owning thread picking the message up:
// exactly one of them wins, and the loser learns it.
//
// The sender sleeps on a semaphore that is posted once, when the send reaches its end
// (finished, or withdrawn by the target). A send is made for every notification, so it
// takes no lock: a wake-up through a condition variable re-takes its mutex marked as
// contended, and the unlock after it cost a system call per notification.

#include <semaphore.h>

#include <atomic>
#include <chrono>

#include "serial/dispatch/message_target.h"

namespace norvane::serial {

class TPendingSend {
  public:
    // Throws std::system_error when no semaphore can be had.
    explicit TPendingSend(const TMessage& message);
    ~TPendingSend();
    TPendingSend(const TPendingSend&) = delete;
    TPendingSend& operator=(const TPendingSend&) = delete;

    const TMessage& Message() const { return Message_; }

    // Owning thread: claims the message for its handler. False when the sender has already
    // given up (or the target withdrew it); the handler must then not run.
    bool TryStart();

    // Owning thread, after a successful TryStart: hands the handler's result to the sender.
    void Finish(std::int32_t value);

    // Target going away: withdraws the send if its handler has not started. The sender then
    // sees TimedOut.
    void Withdraw();

    // Sender, once: waits until the handler has finished, or until `timeout` has passed
    // without the handler having started, whichever comes first (see IMessageTarget::Send).
    TSendResult Await(std::chrono::milliseconds timeout);

  private:
    enum TState : int { stQueued, stRunning, stFinished, stWithdrawn };

    bool Leave(TState to);
    bool WaitForEnd(const timespec* deadline);

    const TMessage Message_;
    std::atomic<int> State_{stQueued};
    std::int32_t Value_ = 0;  // written before State_ becomes stFinished
    sem_t Ended_;             // posted once, when the state leaves stQueued/stRunning for good
};

}  // namespace norvane::serial
