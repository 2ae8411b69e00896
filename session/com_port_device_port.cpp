#include "session/com_port_device_port.h"

#include "serial/errors/error_codes.h"
#include "serial/errors/raise_on_error.h"
#include "serial/errors/vexa_exception.h"

namespace norvane::session {

using serial::EVexaException;
using serial::TVexaCustomComPort;

namespace {

bool Closing(const TVexaCustomComPort& port) {
    return port.State() == TVexaCustomComPort::TPortState::Closing;
}

}  // namespace

char TComPortDevicePort::ReceiveChar() {
    if (Closing(Port_)) {
        RaiseOnError(Port_, -serial::ecCommNotOpen);
        throw EVexaException(-serial::ecCommNotOpen);  // loading returns instead of raising
    }
    return Port_.ReceiveChar();
}

TComPortDevicePort::~TComPortDevicePort() {
    Port_.SetOnTriggerAvail(nullptr);
    Port_.SetOnTriggerData(nullptr);
    Port_.SetOnDeviceLost(nullptr);
}

void TComPortDevicePort::ConnectHandlers(device::TInstrumentLink& link) {
    Port_.SetOnTriggerAvail([this, &link](TVexaCustomComPort& port, std::uint16_t count) {
        if (!Closing(port)) {
            link.ComPortTriggerAvail(*this, count);
        }
    });
    Port_.SetOnTriggerData([this, &link](TVexaCustomComPort& port, std::uint16_t handle) {
        if (!Closing(port)) {
            link.ComPortTriggerData(*this, handle);
        }
    });
    Port_.SetOnDeviceLost([&link](TVexaCustomComPort&) { link.ComPortDeviceLost(); });
}

}  // namespace norvane::session
