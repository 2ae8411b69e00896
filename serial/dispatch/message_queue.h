#pragma once
// The queue between the threads that send or post to a message target and the target's
// owning thread. Message targets build on it; it does not know how the owning thread learns
// that something is waiting.
//
// All members may be called from any thread; the owning thread is the one that takes entries
// and delivers them.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "serial/dispatch/message_target.h"
#include "serial/dispatch/pending_send.h"

namespace norvane::serial {

class TMessageQueue {
  public:
    // A queued message: a send, with its sender waiting on Send, or a post (Send empty); or
    // a posted job (Job set, nothing else).
    struct TEntry {
        std::shared_ptr<TPendingSend> Send;
        TMessage Posted;
        std::function<void()> Job;
    };

    TMessageQueue() = default;
    // Withdraws the sends still queued, so that their senders stop waiting.
    ~TMessageQueue();
    TMessageQueue(const TMessageQueue&) = delete;
    TMessageQueue& operator=(const TMessageQueue&) = delete;

    // Queues a send and returns it for the sender to wait on.
    std::shared_ptr<TPendingSend> PushSend(const TMessage& message);
    void PushPost(const TMessage& message);
    void PushJob(std::function<void()> job);

    // Everything queued now, oldest first.
    std::deque<TEntry> TakeAll();
    // Blocks until something is queued or `limit` has passed.
    void WaitForEntry(std::chrono::milliseconds limit);

    // Runs handler (or the job) for entry on the calling thread, unless the entry is a send
    // whose sender has given up. Returns whether anything ran.
    static bool Deliver(const TEntry& entry, const TMessageHandler& handler);
    // Calls handler from a noexcept frame (see TMessageHandler).
    static std::int32_t Invoke(const TMessageHandler& handler, const TMessage& message) noexcept;
    // Calls job from a noexcept frame, for the same reason.
    static void RunJob(const std::function<void()>& job) noexcept;

  private:
    std::mutex Mutex_;
    std::condition_variable Arrived_;
    std::deque<TEntry> Entries_;
};

}  // namespace norvane::serial
