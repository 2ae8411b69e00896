#pragma once
// A message target with a queue of its own, for code that has no event loop: the core's
// tests, and hosts that pump by hand.
//
// The thread that constructs it owns it. That thread delivers what others sent or posted by
// calling DeliverPending, or WaitAndDeliver, which first blocks until something arrives.

#include <chrono>
#include <cstddef>
#include <thread>

#include "serial/dispatch/message_queue.h"
#include "serial/dispatch/message_target.h"

namespace norvane::serial {

class TPlainMessageTarget final : public IMessageTarget {
  public:
    // The calling thread becomes the owner. handler must not be empty.
    explicit TPlainMessageTarget(TMessageHandler handler);
    // Owning thread. Sends still waiting are withdrawn, so their senders return TimedOut at
    // once; the caller must make sure no thread starts a new Send or Post meanwhile.
    ~TPlainMessageTarget() override = default;
    TPlainMessageTarget(const TPlainMessageTarget&) = delete;
    TPlainMessageTarget& operator=(const TPlainMessageTarget&) = delete;

    TSendResult Send(const TMessage& message, std::chrono::milliseconds timeout) override;
    void Post(const TMessage& message) override;
    bool PostJob(std::function<void()> job) override;
    bool OwnedByCallingThread() const override;
    // This target has no wider event loop: only its own messages are delivered.
    std::size_t DeliverPending() override;

    // Owning thread: blocks until at least one message is waiting or `limit` has passed, then
    // delivers as DeliverPending does. The limit is a hang guard for callers that wait for a
    // message they know is coming; it decides nothing else.
    std::size_t WaitAndDeliver(std::chrono::milliseconds limit);

  private:
    const TMessageHandler Handler_;
    const std::thread::id Owner_;
    TMessageQueue Queue_;
};

}  // namespace norvane::serial
