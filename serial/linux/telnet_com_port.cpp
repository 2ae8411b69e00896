#include "serial/linux/telnet_com_port.h"

#include <libtelnet.h>

#include <new>
#include <utility>

namespace norvane::serial {

namespace {

constexpr std::uint8_t kOptionBinary = 0;
constexpr std::uint8_t kOptionSuppressGoAhead = 3;

// What we agree to when the server asks.
const telnet_telopt_t kOptions[] = {
    {kOptionBinary, TELNET_WILL, TELNET_DO},
    {kOptionSuppressGoAhead, TELNET_WILL, TELNET_DO},
    {kComPortOption, TELNET_WILL, TELNET_DO},
    {-1, 0, 0},
};

constexpr std::size_t kReplySlots = 256;

}  // namespace

TTelnetComPort::TTelnetComPort() : Replies_(kReplySlots) {
    Telnet_ = ::telnet_init(kOptions, &TTelnetComPort::OnEvent, 0, this);
    if (Telnet_ == nullptr) {
        throw std::bad_alloc();
    }
    ::telnet_negotiate(Telnet_, TELNET_WILL, kComPortOption);
}

TTelnetComPort::~TTelnetComPort() {
    ::telnet_free(Telnet_);
}

bool TTelnetComPort::Receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data) {
    if (!ProtocolError_.empty()) {
        return false;
    }
    Sorted_.clear();
    const bool sound = Guard_.Sort(bytes, Sorted_);
    ReceivedData_ = &data;
    ::telnet_recv(Telnet_, reinterpret_cast<const char*>(Sorted_.data()), Sorted_.size());
    ReceivedData_ = nullptr;
    if (!sound) {
        ProtocolError_ = Guard_.Fault();
    }
    if (Guard_.ComPortRefused()) {
        OnComPortAnswer(false);
    }
    return ProtocolError_.empty();
}

void TTelnetComPort::SendData(std::span<const std::uint8_t> bytes) {
    ::telnet_send(Telnet_, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void TTelnetComPort::SendCommand(std::uint8_t command, std::span<const std::uint8_t> value) {
    ::telnet_begin_sb(Telnet_, kComPortOption);
    ::telnet_send(Telnet_, reinterpret_cast<const char*>(&command), 1);
    ::telnet_send(Telnet_, reinterpret_cast<const char*>(value.data()), value.size());
    ::telnet_finish_sb(Telnet_);
}

std::optional<std::vector<std::uint8_t>> TTelnetComPort::TakeReply(std::uint8_t command) {
    return std::exchange(Replies_[command], std::nullopt);
}

void TTelnetComPort::ForgetReply(std::uint8_t command) {
    Replies_[command].reset();
}

std::uint8_t TTelnetComPort::TakeLineState() {
    return std::exchange(LineState_, 0);
}

void TTelnetComPort::OnEvent(telnet_t*, telnet_event_t* event, void* self) {
    auto& port = *static_cast<TTelnetComPort*>(self);
    switch (event->type) {
        case TELNET_EV_DATA:
            if (port.ReceivedData_ != nullptr) {
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(event->data.buffer);
                port.ReceivedData_->insert(port.ReceivedData_->end(), bytes,
                                           bytes + event->data.size);
            }
            break;
        case TELNET_EV_SEND: {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(event->data.buffer);
            port.Outgoing_.insert(port.Outgoing_.end(), bytes, bytes + event->data.size);
            break;
        }
        case TELNET_EV_SUBNEGOTIATION:
            if (event->sub.telopt == kComPortOption) {
                port.OnSubnegotiation(
                    {reinterpret_cast<const std::uint8_t*>(event->sub.buffer), event->sub.size});
            }
            break;
        case TELNET_EV_DO:
            if (event->neg.telopt == kComPortOption) {
                port.OnComPortAnswer(true);  // a refusal comes from the input guard
            }
            break;
        case TELNET_EV_ERROR:
            port.ProtocolError_ = std::string("broke the Telnet protocol") +
                                  (event->error.msg != nullptr && *event->error.msg != '\0'
                                       ? std::string(" (") + event->error.msg + ")"
                                       : std::string());
            break;
        default:
            break;  // other options, warnings and commands change nothing here
    }
}

void TTelnetComPort::OnComPortAnswer(bool accepted) {
    if (ComPortAnswer_ != TComPortAnswer::Awaited) {
        return;
    }
    ComPortAnswer_ = accepted ? TComPortAnswer::Accepted : TComPortAnswer::Refused;
    if (accepted) {
        ::telnet_negotiate(Telnet_, TELNET_WILL, kOptionBinary);
        ::telnet_negotiate(Telnet_, TELNET_DO, kOptionBinary);
        ::telnet_negotiate(Telnet_, TELNET_WILL, kOptionSuppressGoAhead);
        ::telnet_negotiate(Telnet_, TELNET_DO, kOptionSuppressGoAhead);
    }
}

void TTelnetComPort::OnSubnegotiation(std::span<const std::uint8_t> body) {
    if (body.empty() || body[0] < kComPortReplyOffset) {
        return;  // a client's command sent to us: we are no server
    }
    const auto command = static_cast<std::uint8_t>(body[0] - kComPortReplyOffset);
    const std::span<const std::uint8_t> value = body.subspan(1);
    switch (command) {
        case cpcNotifyLineState:
            LineState_ |= value.empty() ? 0 : value[0];
            break;
        case cpcNotifyModemState:
            ModemState_ = value.empty() ? 0 : static_cast<std::uint8_t>(value[0] & 0xF0);
            break;
        default:
            Replies_[command] = std::vector<std::uint8_t>(value.begin(), value.end());
            break;
    }
}

}  // namespace norvane::serial
