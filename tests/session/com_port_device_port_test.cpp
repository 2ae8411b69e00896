// The instrument conversation on a port component.

#include "session/com_port_device_port.h"

#include <gtest/gtest.h>

#include "device/instrument_link.h"
#include "serial/dispatch/notification_messages.h"
#include "serial/dispatch/plain_message_target.h"
#include "serial/errors/vexa_leaf_exceptions.h"
#include "tests/serial/component/com_port_fixture.h"

namespace norvane::session {
namespace {

using ComPortDevicePortTest = serial::ComPortTest;
using namespace std::chrono_literals;
using serial::TVexaCustomComPort;
using test::TSimProcess;

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

// The adapter pulled out while a transfer waits for a reply. No later command of the transfer
// may open the port again: with the device absent that fails, naming the wrong cause, and a
// device back under the name may be another instrument.
TEST_F(ComPortDevicePortTest, ADeviceLostInATransferEndsItWithoutOpeningThePortAgain) {
    struct TPumpingHost final : device::ILinkHost {
        void SetTimeOutTimer(bool) override {}
        // Stands in for the time-out only after a hang-guarding limit, and says so.
        void PumpEvents() override {
            if (std::chrono::steady_clock::now() > WaitEnd) {
                TimedOut = true;
                Link->TimeOutTimerTimer();
                return;
            }
            if (auto* window = dynamic_cast<serial::TPlainMessageTarget*>(Port->NotifyWindow())) {
                window->WaitAndDeliver(10ms);
            }
        }
        TVexaCustomComPort* Port = nullptr;
        device::TInstrumentLink* Link = nullptr;
        std::chrono::steady_clock::time_point WaitEnd = std::chrono::steady_clock::now() + 10s;
        bool TimedOut = false;
    } host;
    TSimProcess adapter({"--cells", Dir / "table.nvf", "--hang-up-after", "1"});
    serial::PortMap().Assign(serial::kOtherSimPort, adapter.LinePath());
    Port.SetComNumber(serial::kOtherSimPort);
    TComPortDevicePort devicePort(Port);
    device::TInstrumentLink link(devicePort, host);
    host.Port = &Port;
    host.Link = &link;
    devicePort.ConnectHandlers(link);
    link.AddLineTrigger();
    {
        device::TInstrumentLink::TTransferScope transfer(link);
        link.SendCommand("?B1/1\r\n");
        EXPECT_EQ(link.ReplyStatus(), device::rsOk);
        link.SendCommand("?B1/7\r\n");  // the line goes away instead of answering
        EXPECT_EQ(link.ReplyStatus(), device::rsNoConnection);
        EXPECT_FALSE(host.TimedOut) << "ended by the loss, not by the time-out";
        ASSERT_TRUE(
            PumpUntil([&] { return Port.State() == TVexaCustomComPort::TPortState::Closed; }));
        link.SendCommand("?B1/7\r\n");
        EXPECT_EQ(link.ReplyStatus(), device::rsNoConnection);
        EXPECT_FALSE(Port.Open());
    }
    device::TInstrumentLink::TTransferScope next(link);
    EXPECT_THROW(link.SendCommand("?B1/7\r\n"), serial::EBadId) << "the next transfer opens it";
}

}  // namespace
}  // namespace norvane::session
