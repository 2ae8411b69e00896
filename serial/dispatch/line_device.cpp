#include "serial/dispatch/line_device.h"

#include <cerrno>

#include "serial/errors/errno_mapping.h"

namespace norvane::serial {

std::int32_t TLineDevice::OpenFailureCode(int result) const {
    return ResultFromErrno(-result);
}

bool IsDeviceGone(int err) {
    return err == EIO || err == ENODEV || err == ENXIO;
}

}  // namespace norvane::serial
