#include "serial/component/device_changed.h"

#include "serial/errors/error_codes.h"

namespace norvane::serial {

EDeviceChanged::EDeviceChanged(int port, const std::string& bound, const std::string& found)
    : EOpenComm(-ecBadId, "Port " + std::to_string(port) + " now means " + found + ", not " +
                              bound +
                              ", the device it was using; it was not opened. Confirm the port "
                              "settings to use " +
                              found + ".") {}

}  // namespace norvane::serial
