#include "serial/component/device_access_denied.h"

#include "serial/errors/errno_mapping.h"
#include "serial/linux/network_address.h"

namespace norvane::serial {

EDeviceAccessDenied::EDeviceAccessDenied(std::string_view device, std::int32_t code)
    : EOpenComm(code, DevicePermissionText(device)) {}

EDeviceInUse::EDeviceInUse(std::string_view device, std::int32_t code, std::string_view holder)
    : EOpenComm(code, "Serial device " + std::string(device) + " is " + std::string(holder)) {}

ENetworkDeviceFailed::ENetworkDeviceFailed(std::string_view address, std::int32_t code,
                                           std::string_view detail)
    : EOpenComm(code, NetworkOpenFailureText(std::string(address), code, std::string(detail))) {}

}  // namespace norvane::serial
