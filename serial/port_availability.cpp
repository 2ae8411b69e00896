#include "serial/port_availability.h"

#include "serial/errno_mapping.h"
#include "serial/error_codes.h"
#include "serial/posix_dispatcher.h"
#include "serial/stable_device_name.h"

namespace norvane::serial {

namespace {

// The driver needs some queue size; the probe never moves data.
constexpr std::uint32_t kProbeQueueSize = 64;

}  // namespace

const char* PresenceText(TDevicePresence presence) {
    switch (presence) {
        case TDevicePresence::Available:
            return "available";
        case TDevicePresence::Busy:
            return "busy";
        case TDevicePresence::NoPermission:
            return "no permission";
        case TDevicePresence::Missing:
            return "missing";
        case TDevicePresence::Unusable:
            break;
    }
    return "unusable";
}

TDevicePresence ProbeDevice(const std::string& devicePath) {
    if (DeviceNode(devicePath).empty()) {
        return TDevicePresence::Missing;
    }
    TVexaPosixDispatcher probe(nullptr);
    const std::int32_t opened = probe.OpenComHandle(devicePath, kProbeQueueSize, kProbeQueueSize);
    if (opened >= 0) {
        probe.CloseComHandle();
        return TDevicePresence::Available;
    }
    if (opened == -ecAccessDenied) {
        return TDevicePresence::Busy;
    }
    return IsPermissionDenied(opened) ? TDevicePresence::NoPermission : TDevicePresence::Unusable;
}

bool IsDeviceAvailable(const std::string& devicePath) {
    const TDevicePresence presence = ProbeDevice(devicePath);
    return presence == TDevicePresence::Available || presence == TDevicePresence::Busy ||
           presence == TDevicePresence::NoPermission;
}

bool IsPortAvailable(int port, const TPortMap& map) {
    if (port == 0) {
        return false;
    }
    const std::optional<std::string> device = map.DevicePath(port);
    return device && IsDeviceAvailable(*device);
}

}  // namespace norvane::serial
