#include "serial/linux/device_node.h"

#include <filesystem>
#include <system_error>

#include "serial/linux/network_address.h"

namespace norvane::serial {

std::string DeviceNode(const std::string& path) {
    if (IsNetworkDeviceName(path)) {
        return path;  // an address is its own identity: no node, but never "missing"
    }
    std::error_code error;
    const std::filesystem::path node = std::filesystem::canonical(path, error);
    return error ? std::string() : node.string();
}

}  // namespace norvane::serial
