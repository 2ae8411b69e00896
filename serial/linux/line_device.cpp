#include "serial/linux/line_device.h"

#include "serial/errors/errno_mapping.h"
#include "serial/linux/network_address.h"
#include "serial/linux/network_device.h"
#include "serial/linux/posix_serial_device.h"

namespace norvane::serial {

std::int32_t TLineDevice::OpenFailureCode(int result) const {
    return ResultFromErrno(-result);
}

std::unique_ptr<TLineDevice> MakeLineDevice(const std::string& name) {
    if (IsNetworkDeviceName(name)) {
        return std::make_unique<TNetworkDevice>();
    }
    return std::make_unique<TPosixSerialDevice>();
}

}  // namespace norvane::serial
