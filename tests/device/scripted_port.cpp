#include "scripted_port.h"

#include <stdexcept>

namespace norvane::device::testing {

void TScriptedPort::Arrive(std::string bytes, std::int64_t delayMs) {
    Loop_.Post([this, bytes = std::move(bytes)] { Notifier_.Deliver(bytes, *this, Link_); },
               delayMs);
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
    return Notifier_.TakeChar();
}

std::uint16_t TScriptedPort::AddDataTrigger(const std::string& pattern, bool ignoreCase) {
    return Notifier_.AddTrigger(pattern, ignoreCase);
}

}  // namespace norvane::device::testing
