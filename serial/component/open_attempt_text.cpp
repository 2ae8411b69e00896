#include "serial/component/open_attempt_text.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "serial/errors/errno_mapping.h"
#include "serial/errors/in_out_error.h"
#include "serial/errors/vexa_exception.h"
#include "serial/linux/network_address.h"

namespace norvane::serial {

namespace {

std::string PortPrefix(std::optional<int> port) {
    return port ? "port " + std::to_string(*port) + ": " : std::string();
}

// What is wrong with the device node itself, or "" when it looks like a serial device and
// the failure lies elsewhere (busy, permission, the line).
std::string DeviceFault(const std::string& device, std::int32_t result) {
    struct stat status {};
    if (::stat(device.c_str(), &status) != 0) {
        // A link whose target has gone is as absent as a missing node: an adapter unplugged.
        return errno == ENOENT || errno == ENOTDIR ? " does not exist" : std::string();
    }
    if (S_ISDIR(status.st_mode)) {
        return " is a directory, not a serial device";
    }
    if (!S_ISCHR(status.st_mode) || HostErrnoOf(result) == ENOTTY) {
        return " is not a serial device";
    }
    return {};
}

}  // namespace

std::string OpenAttemptText(std::optional<int> port, const std::optional<std::string>& device,
                            std::int32_t result, const TPortMap& map,
                            const TPortDescriber& describer) {
    const std::string prefix = PortPrefix(port);
    if (!device || device->empty()) {
        return prefix +
               (map.Ports().empty() ? "no serial device found on this machine"
                                    : "means no device on this machine") +
               "; see norvane-cli ports";
    }
    if (IsNetworkDeviceName(*device)) {
        // The connection's failure names the address already; only the number is news.
        return port ? prefix + *device : std::string();
    }
    const std::string fault = DeviceFault(*device, result);
    if (!fault.empty()) {
        return prefix + *device + fault;
    }
    const std::string adapter = describer.Describe(*device);
    return prefix + *device + (adapter.empty() ? std::string() : " (" + adapter + ")");
}

std::string NoDeviceForPortText(int port, const TPortMap& map) {
    const std::map<int, std::string> ports = map.Ports();
    if (ports.empty()) {
        return "No serial device is connected.";
    }
    std::string found;
    for (const auto& [number, device] : ports) {
        const std::string name = IsNetworkDeviceName(device)
                                     ? device
                                     : std::filesystem::path(device).filename().string();
        found += (found.empty() ? "" : ", ") + name + " (port " + std::to_string(number) + ")";
    }
    return "Port " + std::to_string(port) +
           " has no device on this machine. Serial devices found: " + found + ".";
}

std::int32_t FailureResultCode(const std::exception& failure) {
    if (const auto* serial = dynamic_cast<const EVexaException*>(&failure)) {
        return serial->ErrorCode();
    }
    if (const auto* io = dynamic_cast<const EInOutError*>(&failure)) {
        return io->ErrorCode();
    }
    return 0;
}

}  // namespace norvane::serial
