#include "serial/com_port_device_port.h"

#include "serial/error_codes.h"
#include "serial/raise_on_error.h"
#include "serial/vexa_exception.h"

namespace norvane::serial {

namespace {

bool Closing(const TVexaCustomComPort& port) {
    return port.State() == TVexaCustomComPort::TPortState::Closing;
}

}  // namespace

char TComPortDevicePort::ReceiveChar() {
    if (Closing(Port_)) {
        RaiseOnError(Port_, -ecCommNotOpen);
        throw EVexaException(-ecCommNotOpen);  // loading returns instead of raising
    }
    return Port_.ReceiveChar();
}

TComPortDevicePort::~TComPortDevicePort() {
    Port_.SetOnTriggerAvail(nullptr);
    Port_.SetOnTriggerData(nullptr);
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
}

}  // namespace norvane::serial
