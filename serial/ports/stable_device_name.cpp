#include "serial/ports/stable_device_name.h"

#include "serial/linux/device_node.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace norvane::serial {

namespace fs = std::filesystem;

TStableDeviceNames::TStableDeviceNames(std::string devRoot) : DevRoot_(std::move(devRoot)) {}

std::string TStableDeviceNames::StableName(const std::string& devicePath) const {
    std::string link = Link(devicePath);
    return link.empty() ? devicePath : link;
}

std::string TStableDeviceNames::Link(const std::string& devicePath) const {
    const std::string node = DeviceNode(devicePath);
    if (node.empty()) {
        return {};
    }
    constexpr const char* kFolders[] = {"serial/by-id", "serial/by-path"};
    // Asked first, for both folders: a by-path name the user chose must not turn into the
    // adapter's by-id link.
    for (const char* folder : kFolders) {
        if (fs::path(devicePath).parent_path() == fs::path(DevRoot_) / folder) {
            return devicePath;
        }
    }
    for (const char* folder : kFolders) {
        if (std::string link = LinkTo((fs::path(DevRoot_) / folder).string(), node);
            !link.empty()) {
            return link;
        }
    }
    return {};
}

// The first link in folder, by name, that leads to node. An adapter with two interfaces
// has a link per interface, each to its own node, so at most one matches in practice; the
// order only makes the answer repeatable.
std::string TStableDeviceNames::LinkTo(const std::string& folder, const std::string& node) const {
    std::vector<std::string> matches;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (DeviceNode(entry.path().string()) == node) {
            matches.push_back(entry.path().string());
        }
    }
    if (matches.empty()) {
        return {};
    }
    return *std::min_element(matches.begin(), matches.end());
}

}  // namespace norvane::serial
