#include "serial/component/device_access_denied.h"

#include "base/visible_text.h"
#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_text.h"
#include "serial/linux/network_address.h"

namespace norvane::serial {

EDeviceAccessDenied::EDeviceAccessDenied(std::string_view device, std::int32_t code)
    : EOpenComm(code, DevicePermissionText(device)) {}

EDeviceInUse::EDeviceInUse(std::string_view device, std::int32_t code, std::string_view holder)
    : EOpenComm(code, "Serial device " + std::string(device) + " is " + std::string(holder)) {}

ENetworkDeviceFailed::ENetworkDeviceFailed(std::string_view address, std::int32_t code,
                                           std::string_view detail)
    : EOpenComm(code, NetworkOpenFailureText(std::string(address), code, std::string(detail))) {}

EBaudRateRefused::EBaudRateRefused(std::string_view device, std::int32_t code,
                                   std::string_view detail)
    : EBaudRate(code,
                ErrorText(code) + "\n" + base::VisibleText(device) + ": " + std::string(detail)) {}

}  // namespace norvane::serial
