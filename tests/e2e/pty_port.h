#pragma once
// The conversation's port and host over a real terminal line, for end-to-end tests with the
// instrument simulator on the other end.
//
// It opens the line raw and waits on it with poll(): a pass of the pump blocks until bytes
// arrive or the time-out timer expires, as the program's event loop does. Received bytes
// are delivered in the serial layer's notification order.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "device/device_port.h"
#include "device/instrument_link.h"
#include "device/link_host.h"
#include "line_notifier.h"

namespace norvane::test {

class TPtyPort : public device::IDevicePort, public device::ILinkHost {
  public:
    // Opens the terminal at path. Throws std::system_error with the cause.
    explicit TPtyPort(const std::string& path);
    ~TPtyPort() override;
    TPtyPort(const TPtyPort&) = delete;
    TPtyPort& operator=(const TPtyPort&) = delete;

    void Connect(device::TInstrumentLink& link) { Link_ = &link; }

    void PutString(const std::string& data) override;
    char ReceiveChar() override { return Notifier_.TakeChar(); }
    std::size_t UnreadCount() override { return Notifier_.UnreadCount(); }
    std::uint16_t AddDataTrigger(const std::string& pattern, bool ignoreCase) override {
        return Notifier_.AddTrigger(pattern, ignoreCase);
    }

    void SetTimeOutTimer(bool on) override;
    void PumpEvents() override;

  private:
    using Clock = std::chrono::steady_clock;

    int Fd_ = -1;
    device::TInstrumentLink* Link_ = nullptr;
    device::testing::TLineNotifier Notifier_;
    bool TimerRunning_ = false;
    Clock::time_point TimerDeadline_{};
};

}  // namespace norvane::test
