#include "serial/dispatch/message_queue.h"

#include <utility>

namespace norvane::serial {

TMessageQueue::~TMessageQueue() {
    for (const TEntry& entry : Entries_) {
        if (entry.Send) {
            entry.Send->Withdraw();
        }
    }
}

std::shared_ptr<TPendingSend> TMessageQueue::PushSend(const TMessage& message) {
    auto send = std::make_shared<TPendingSend>(message);
    {
        std::lock_guard lock(Mutex_);
        Entries_.push_back(TEntry{send, {}, {}});
    }
    Arrived_.notify_all();
    return send;
}

void TMessageQueue::PushPost(const TMessage& message) {
    {
        std::lock_guard lock(Mutex_);
        Entries_.push_back(TEntry{nullptr, message, {}});
    }
    Arrived_.notify_all();
}

void TMessageQueue::PushJob(std::function<void()> job) {
    {
        std::lock_guard lock(Mutex_);
        Entries_.push_back(TEntry{nullptr, {}, std::move(job)});
    }
    Arrived_.notify_all();
}

std::deque<TMessageQueue::TEntry> TMessageQueue::TakeAll() {
    std::deque<TEntry> entries;
    std::lock_guard lock(Mutex_);
    entries.swap(Entries_);
    return entries;
}

void TMessageQueue::WaitForEntry(std::chrono::milliseconds limit) {
    std::unique_lock lock(Mutex_);
    Arrived_.wait_for(lock, limit, [this] { return !Entries_.empty(); });
}

bool TMessageQueue::Deliver(const TEntry& entry, const TMessageHandler& handler) {
    if (entry.Job) {
        RunJob(entry.Job);
        return true;
    }
    if (!entry.Send) {
        Invoke(handler, entry.Posted);
        return true;
    }
    if (!entry.Send->TryStart()) {
        return false;  // its sender gave up; answering now would be too late
    }
    entry.Send->Finish(Invoke(handler, entry.Send->Message()));
    return true;
}

void TMessageQueue::RunJob(const std::function<void()>& job) noexcept {
    job();
}

std::int32_t TMessageQueue::Invoke(const TMessageHandler& handler,
                                   const TMessage& message) noexcept {
    return handler(message);
}

}  // namespace norvane::serial
