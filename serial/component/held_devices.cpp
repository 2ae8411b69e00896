#include "serial/component/held_devices.h"

#include "serial/linux/port_claim.h"

namespace norvane::serial {

void SetOpenHeldDevices(bool open) {
    PortClaimSettings().OpenHeldDevices = open;
}

}  // namespace norvane::serial
