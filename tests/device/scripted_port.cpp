#include "scripted_port.h"

#include <stdexcept>

namespace norvane::device::testing {

void TScriptedPort::Arrive(std::string bytes, std::int64_t delayMs) {
    Loop_.Post([this, bytes = std::move(bytes)] { Deliver(bytes); }, delayMs);
}

void TScriptedPort::PutString(const std::string& data) {
    if (PutFailure_) {
        const std::string reason = *PutFailure_;
        PutFailure_.reset();
        throw std::runtime_error(reason);
    }
    Commands_.push_back(data);
    if (!Responder_) {
        return;
    }
    if (auto reply = Responder_(data)) {
        Arrive(reply->bytes, reply->delayMs);
    }
}

char TScriptedPort::ReceiveChar() {
    if (Offered_ == 0 || Unread_.empty()) {
        throw std::logic_error("ReceiveChar beyond what the notification offered");
    }
    --Offered_;
    const char c = Unread_.front();
    Unread_.pop_front();
    return c;
}

std::uint16_t TScriptedPort::AddDataTrigger(const std::string& pattern, bool ignoreCase) {
    if (pattern != "\n" || ignoreCase) {
        throw std::logic_error("this double only knows the case-sensitive line-feed trigger");
    }
    // Data trigger handles are multiples of 8.
    LineTriggers_.push_back(static_cast<std::uint16_t>(8 * (LineTriggers_.size() + 1)));
    return LineTriggers_.back();
}

void TScriptedPort::OfferUnread(std::size_t count) {
    if (count == 0 || Link_ == nullptr) {
        return;
    }
    Offered_ = count;
    Link_->ComPortTriggerAvail(*this, static_cast<std::uint16_t>(count));
    Offered_ = 0;
}

void TScriptedPort::Deliver(const std::string& bytes) {
    for (const char c : bytes) {
        Unread_.push_back(c);
        if (c != '\n' || LineTriggers_.empty()) {
            continue;
        }
        OfferUnread(Unread_.size() - 1);  // everything before this line feed
        for (const std::uint16_t handle : LineTriggers_) {
            if (Link_ != nullptr) {
                Link_->ComPortTriggerData(*this, handle);
            }
        }
    }
    OfferUnread(Unread_.size());
}

}  // namespace norvane::device::testing
