#include "serial/device_access_denied.h"

#include "serial/errno_mapping.h"

namespace norvane::serial {

EDeviceAccessDenied::EDeviceAccessDenied(std::string_view device, std::int32_t code)
    : EOpenComm(code, DevicePermissionText(device)) {}

}  // namespace norvane::serial
