#include "serial/dispatch/plain_message_target.h"

#include <stdexcept>
#include <utility>

namespace norvane::serial {

TPlainMessageTarget::TPlainMessageTarget(TMessageHandler handler)
    : Handler_(std::move(handler)), Owner_(std::this_thread::get_id()) {
    if (!Handler_) {
        throw std::invalid_argument("TPlainMessageTarget needs a handler");
    }
}

TSendResult TPlainMessageTarget::Send(const TMessage& message, std::chrono::milliseconds timeout) {
    if (OwnedByCallingThread()) {
        return {TSendOutcome::Delivered, TMessageQueue::Invoke(Handler_, message)};
    }
    return Queue_.PushSend(message)->Await(timeout);
}

void TPlainMessageTarget::Post(const TMessage& message) {
    Queue_.PushPost(message);
}

bool TPlainMessageTarget::PostJob(std::function<void()> job) {
    Queue_.PushJob(std::move(job));
    return true;
}

bool TPlainMessageTarget::OwnedByCallingThread() const {
    return std::this_thread::get_id() == Owner_;
}

std::size_t TPlainMessageTarget::DeliverPending() {
    std::size_t delivered = 0;
    for (const TMessageQueue::TEntry& entry : Queue_.TakeAll()) {
        if (TMessageQueue::Deliver(entry, Handler_)) {
            ++delivered;
        }
    }
    return delivered;
}

std::size_t TPlainMessageTarget::WaitAndDeliver(std::chrono::milliseconds limit) {
    Queue_.WaitForEntry(limit);
    return DeliverPending();
}

}  // namespace norvane::serial
