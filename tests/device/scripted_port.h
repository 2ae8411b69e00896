#pragma once
// A port double with a scripted instrument behind it.
//
// Each command put on the port is recorded and handed to a responder, which decides the
// bytes the instrument sends back and when. Received bytes become notifications in the
// serial layer's order (TLineNotifier), and reach the link only through the event loop's
// pump, as they would in the program.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/device_port.h"
#include "device/instrument_link.h"
#include "fake_event_loop.h"
#include "line_notifier.h"

namespace norvane::device::testing {

struct TScriptedReply {
    std::string bytes;
    std::int64_t delayMs = 0;
};

class TScriptedPort : public IDevicePort {
  public:
    // Given the command as put on the port (line end included), returns the instrument's
    // answer, or nothing for silence.
    using Responder = std::function<std::optional<TScriptedReply>(const std::string& command)>;

    explicit TScriptedPort(TFakeEventLoop& loop) : Loop_(loop) {}

    void Connect(TInstrumentLink& link) { Link_ = &link; }
    void SetResponder(Responder responder) { Responder_ = std::move(responder); }
    // Makes the next PutString fail, as a port that cannot be opened or written would.
    void FailNextPut(std::string reason) { PutFailure_ = std::move(reason); }

    // Bytes from the instrument, arriving `delayMs` from now.
    void Arrive(std::string bytes, std::int64_t delayMs = 0);

    void PutString(const std::string& data) override;
    char ReceiveChar() override;
    std::uint16_t AddDataTrigger(const std::string& pattern, bool ignoreCase) override;

    const std::vector<std::string>& Commands() const { return Commands_; }
    std::size_t UnreadCount() override { return Notifier_.UnreadCount(); }

  private:
    TFakeEventLoop& Loop_;
    TInstrumentLink* Link_ = nullptr;
    Responder Responder_;
    std::optional<std::string> PutFailure_;
    std::vector<std::string> Commands_;
    TLineNotifier Notifier_;
};

}  // namespace norvane::device::testing
