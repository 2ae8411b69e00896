#include "serial/port_availability.h"

#include "serial/errno_mapping.h"
#include "serial/error_codes.h"
#include "serial/posix_dispatcher.h"

namespace norvane::serial {

namespace {

// The driver needs some queue size; the probe never moves data.
constexpr std::uint32_t kProbeQueueSize = 64;

}  // namespace

bool IsDeviceAvailable(const std::string& devicePath) {
    TVexaPosixDispatcher probe(nullptr);
    const std::int32_t opened = probe.OpenComHandle(devicePath, kProbeQueueSize, kProbeQueueSize);
    if (opened >= 0) {
        probe.CloseComHandle();
        return true;
    }
    return opened == -ecAccessDenied || IsPermissionDenied(opened);
}

bool IsPortAvailable(int port, const TPortMap& map) {
    if (port == 0) {
        return false;
    }
    const std::optional<std::string> device = map.DevicePath(port);
    return device && IsDeviceAvailable(*device);
}

}  // namespace norvane::serial
