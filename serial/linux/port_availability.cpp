#include "serial/linux/port_availability.h"

#include <unistd.h>

#include <cerrno>

#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/linux/network_address.h"
#include "serial/linux/posix_dispatcher.h"
#include "serial/linux/stable_device_name.h"

namespace norvane::serial {

namespace {

// The driver needs some queue size; the probe never moves data.
constexpr std::uint32_t kProbeQueueSize = 64;

// A TCP connect alone: the server's protocol is not spoken, so nothing reaches the line.
TDevicePresence ProbeNetworkDevice(const std::string& name) {
    const std::optional<TNetworkAddress> address = ParseNetworkAddress(name);
    if (!address) {
        return TDevicePresence::Unusable;
    }
    const int fd = ConnectTcp(*address, kProbeConnectTimeout);
    if (fd >= 0) {
        ::close(fd);
        return TDevicePresence::Reachable;
    }
    if (fd == -ecNetHostUnresolved) {
        return TDevicePresence::UnknownHost;
    }
    return fd == ResultFromErrno(ECONNREFUSED) ? TDevicePresence::Refused
                                               : TDevicePresence::NoAnswer;
}

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
        case TDevicePresence::Reachable:
            return "reachable";
        case TDevicePresence::Refused:
            return "refused";
        case TDevicePresence::NoAnswer:
            return "no answer";
        case TDevicePresence::UnknownHost:
            return "unknown host";
        case TDevicePresence::Unusable:
            break;
    }
    return "unusable";
}

TDevicePresence ProbeDevice(const std::string& devicePath) {
    if (IsNetworkDeviceName(devicePath)) {
        return ProbeNetworkDevice(devicePath);
    }
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
           presence == TDevicePresence::NoPermission || presence == TDevicePresence::Reachable;
}

bool IsPortAvailable(int port, const TPortMap& map) {
    if (port == 0) {
        return false;
    }
    const std::optional<std::string> device = map.DevicePath(port);
    return device && IsDeviceAvailable(*device);
}

}  // namespace norvane::serial
