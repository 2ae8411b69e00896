#pragma once
// The instrument conversation on a real port component.
//
// The conversation knows ports only as device::IDevicePort; this puts the component behind
// that interface and routes the component's avail and data events to the conversation's
// handlers. Failures are the component's exceptions, which derive from std::exception as
// the conversation expects. User-interface thread only, like the component.

#include "device/device_port.h"
#include "device/instrument_link.h"
#include "serial/component/custom_com_port.h"

namespace norvane::session {

class TComPortDevicePort final : public device::IDevicePort {
  public:
    explicit TComPortDevicePort(serial::TVexaCustomComPort& port) : Port_(port) {}
    // Disconnects the handlers: the port may outlive us, and closing it can still deliver
    // notifications.
    ~TComPortDevicePort() override;
    TComPortDevicePort(const TComPortDevicePort&) = delete;
    TComPortDevicePort& operator=(const TComPortDevicePort&) = delete;

    void PutString(const std::string& data) override { Port_.SendString(data); }
    // The next received character. While the port is Closing there is none to give: the
    // component answers character 0 there, which a reader cannot tell from a received NUL,
    // so this raises ECommNotOpen instead. (The handlers routed by ConnectHandlers are not
    // called while Closing, so the conversation never meets that case.) Otherwise the
    // component's ReceiveChar, with its exceptions.
    char ReceiveChar() override;
    std::size_t UnreadCount() override { return Port_.UnreadCount(); }
    std::uint16_t AddDataTrigger(const std::string& pattern, bool ignoreCase) override {
        return Port_.AddPatternTrigger(pattern, ignoreCase);
    }

    // From now on the component's OnTriggerAvail and OnTriggerData events go to `link`
    // (replacing any handlers set before), except while the port is Closing: a port that is
    // going away has no more reply bytes or line ends for the conversation. Its OnDeviceLost
    // goes there too. The link must outlive the connection.
    void ConnectHandlers(device::TInstrumentLink& link);

    serial::TVexaCustomComPort& Port() { return Port_; }

  private:
    serial::TVexaCustomComPort& Port_;
};

}  // namespace norvane::session
