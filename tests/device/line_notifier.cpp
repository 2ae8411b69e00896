#include "line_notifier.h"

#include <stdexcept>

namespace norvane::device::testing {

std::uint16_t TLineNotifier::AddTrigger(const std::string& pattern, bool ignoreCase) {
    if (pattern != "\n" || ignoreCase) {
        throw std::logic_error("only the case-sensitive line-feed trigger is known here");
    }
    Triggers_.push_back(static_cast<std::uint16_t>(8 * (Triggers_.size() + 1)));
    return Triggers_.back();
}

char TLineNotifier::TakeChar() {
    if (Offered_ == 0 || Unread_.empty()) {
        throw std::logic_error("ReceiveChar beyond what the notification offered");
    }
    --Offered_;
    const char c = Unread_.front();
    Unread_.pop_front();
    return c;
}

void TLineNotifier::Offer(std::size_t count, IDevicePort& sender, TInstrumentLink* link) {
    if (count == 0 || link == nullptr) {
        return;
    }
    Offered_ = count;
    link->ComPortTriggerAvail(sender, static_cast<std::uint16_t>(count));
    Offered_ = 0;
}

void TLineNotifier::Deliver(const std::string& bytes, IDevicePort& sender, TInstrumentLink* link) {
    for (const char c : bytes) {
        Unread_.push_back(c);
        if (c != '\n' || Triggers_.empty()) {
            continue;
        }
        Offer(Unread_.size() - 1, sender, link);  // everything before this line feed
        for (const std::uint16_t handle : Triggers_) {
            if (link != nullptr) {
                link->ComPortTriggerData(sender, handle);
            }
        }
    }
    Offer(Unread_.size(), sender, link);
}

}  // namespace norvane::device::testing
