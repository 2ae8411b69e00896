#include "serial/linux/telnet_input_guard.h"

#include <algorithm>

#include "serial/linux/telnet_com_port.h"

namespace norvane::serial {

namespace {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kCompress2 = 86;

}  // namespace

bool TTelnetInputGuard::Sort(std::span<const std::uint8_t> bytes,
                             std::vector<std::uint8_t>& passed) {
    for (std::size_t i = 0; i < bytes.size() && State_ != TState::Failed; ++i) {
        const std::uint8_t byte = bytes[i];
        switch (State_) {
            case TState::Data: {
                if (byte == kIac) {
                    State_ = TState::Iac;
                    break;
                }
                // The common case: a stretch of data up to the next IAC goes through whole.
                const auto rest = bytes.subspan(i);
                const auto end = std::find(rest.begin(), rest.end(), kIac);
                passed.insert(passed.end(), rest.begin(), end);
                i += static_cast<std::size_t>(end - rest.begin()) - 1;
                break;
            }
            case TState::Iac:
                AfterIac(byte, passed);
                break;
            case TState::Option:
                ComPortRefused_ = ComPortRefused_ || (Command_ == kDont && byte == kComPortOption);
                passed.push_back(byte);
                State_ = TState::Data;
                break;
            case TState::SbOption:
                if (byte == kComPortOption) {
                    passed.insert(passed.end(), {kIac, kSb, byte});
                    State_ = TState::SbPassed;
                } else if (byte == kCompress2) {
                    Fail("started compressing the stream, which was never agreed");
                } else {
                    State_ = TState::SbDropped;
                }
                break;
            case TState::SbPassed:
                passed.push_back(byte);
                State_ = byte == kIac ? TState::SbPassedIac : TState::SbPassed;
                break;
            case TState::SbPassedIac:
                // Inside a subnegotiation an IAC escapes an IAC or ends it with SE; anything
                // else leaves us unsure where the server thinks it is.
                if (byte != kSe && byte != kIac) {
                    Fail("broke the Telnet protocol (a com port message not ended by IAC SE)");
                    break;
                }
                passed.push_back(byte);
                State_ = byte == kSe ? TState::Data : TState::SbPassed;
                break;
            case TState::SbDropped:
                State_ = byte == kIac ? TState::SbDroppedIac : TState::SbDropped;
                break;
            case TState::SbDroppedIac:
                if (byte == kSe) {
                    State_ = TState::Data;
                } else if (byte == kIac) {
                    State_ = TState::SbDropped;
                } else {
                    AfterIac(byte, passed);  // libtelnet never saw this subnegotiation begin
                }
                break;
            case TState::Failed:
                break;
        }
    }
    return State_ != TState::Failed;
}

void TTelnetInputGuard::Fail(const char* fault) {
    State_ = TState::Failed;
    Fault_ = fault;
}

void TTelnetInputGuard::AfterIac(std::uint8_t byte, std::vector<std::uint8_t>& passed) {
    if (byte == kSb) {
        State_ = TState::SbOption;  // passed or dropped once the option is known
        return;
    }
    passed.insert(passed.end(), {kIac, byte});
    Command_ = byte;
    State_ = byte >= kWill && byte <= kDont ? TState::Option : TState::Data;
}

}  // namespace norvane::serial
