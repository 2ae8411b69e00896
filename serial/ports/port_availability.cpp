#include "serial/ports/port_availability.h"

#include <unistd.h>

#include <cerrno>
#include <future>
#include <system_error>
#include <utility>

#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/linux/device_node.h"
#include "serial/linux/network_address.h"
#include "serial/linux/posix_dispatcher.h"

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

std::vector<TDevicePresence> ProbeDevices(const std::vector<std::string>& devicePaths) {
    std::vector<TDevicePresence> presences(devicePaths.size(), TDevicePresence::Missing);
    std::vector<std::pair<std::size_t, std::future<TDevicePresence>>> waiting;
    for (std::size_t i = 0; i < devicePaths.size(); ++i) {
        if (!IsNetworkDeviceName(devicePaths[i])) {
            presences[i] = ProbeDevice(devicePaths[i]);  // opens a dispatcher: this thread
            continue;
        }
        try {
            waiting.emplace_back(i, std::async(std::launch::async, ProbeDevice, devicePaths[i]));
        } catch (const std::system_error&) {
            presences[i] = ProbeDevice(devicePaths[i]);  // no thread to spare: in turn
        }
    }
    for (auto& [i, presence] : waiting) {
        presences[i] = presence.get();
    }
    return presences;
}

bool IsPresent(TDevicePresence presence) {
    return presence == TDevicePresence::Available || presence == TDevicePresence::Busy ||
           presence == TDevicePresence::NoPermission || presence == TDevicePresence::Reachable;
}

bool IsDeviceAvailable(const std::string& devicePath) {
    return IsPresent(ProbeDevice(devicePath));
}

bool IsPortAvailable(int port, const TPortMap& map) {
    if (port == 0) {
        return false;
    }
    const std::optional<std::string> device = map.DevicePath(port);
    return device && IsDeviceAvailable(*device);
}

std::vector<int> AvailablePorts(int highest, const TPortMap& map) {
    std::vector<int> ports;
    std::vector<std::string> devices;
    for (const auto& [port, device] : map.Ports()) {
        if (port >= 1 && port <= highest) {
            ports.push_back(port);
            devices.push_back(device);
        }
    }
    const std::vector<TDevicePresence> presences = ProbeDevices(devices);
    std::vector<int> available;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (IsPresent(presences[i])) {
            available.push_back(ports[i]);
        }
    }
    return available;
}

}  // namespace norvane::serial
