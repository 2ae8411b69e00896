// The instrument conversation on a port component.

#include "session/com_port_device_port.h"

#include <gtest/gtest.h>

#include "device/instrument_link.h"
#include "serial/dispatch/notification_messages.h"
#include "serial/errors/vexa_leaf_exceptions.h"
#include "tests/serial/component/com_port_fixture.h"

namespace norvane::session {
namespace {

using ComPortDevicePortTest = serial::ComPortTest;
using serial::TVexaCustomComPort;

// The conversation's side of the port while it closes under an event handler.
TEST_F(ComPortDevicePortTest, AClosingPortHandsTheConversationNoCharacters) {
    struct TIdleHost final : device::ILinkHost {
        void SetTimeOutTimer(bool) override {}
        void PumpEvents() override {}
    } host;
    TComPortDevicePort devicePort(Port);
    device::TInstrumentLink link(devicePort, host);
    devicePort.ConnectHandlers(link);
    link.AddLineTrigger();
    ClosedInHandler = false;
    Port.SetOnTrigger(
        [this](TVexaCustomComPort& cp, std::uint16_t msg, std::uint16_t, std::uint16_t) {
            if (msg == serial::MsgTriggerAvail && !ClosedInHandler) {
                ClosedInHandler = true;
                cp.SetOpen(false);  // before the avail event itself
            }
        });
    Port.SendString("?B1/7\r\n");
    ASSERT_TRUE(PumpUntil([&] { return ClosedInHandler; }));
    ASSERT_EQ(Port.State(), TVexaCustomComPort::TPortState::Closing);
    EXPECT_EQ(link.ReplyBuffer(), "") << "no NUL characters in place of the reply";
    EXPECT_THROW(devicePort.ReceiveChar(), serial::ECommNotOpen);
    Port.SetOnTrigger(nullptr);
}

}  // namespace
}  // namespace norvane::session
