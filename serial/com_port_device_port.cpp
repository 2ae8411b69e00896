#include "serial/com_port_device_port.h"

namespace norvane::serial {

TComPortDevicePort::~TComPortDevicePort() {
    Port_.SetOnTriggerAvail(nullptr);
    Port_.SetOnTriggerData(nullptr);
}

void TComPortDevicePort::ConnectHandlers(device::TInstrumentLink& link) {
    Port_.SetOnTriggerAvail([this, &link](TVexaCustomComPort&, std::uint16_t count) {
        link.ComPortTriggerAvail(*this, count);
    });
    Port_.SetOnTriggerData([this, &link](TVexaCustomComPort&, std::uint16_t handle) {
        link.ComPortTriggerData(*this, handle);
    });
}

}  // namespace norvane::serial
