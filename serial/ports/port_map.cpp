#include "serial/ports/port_map.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "serial/linux/device_node.h"

namespace norvane::serial {

namespace {

// The number after the prefix, or -1 when the rest is not all digits.
long NodeNumber(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return -1;
    }
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(),
                                          [](unsigned char c) { return std::isdigit(c) != 0; })) {
        return -1;
    }
    return std::stol(digits);
}

}  // namespace

TPortMap::TPortMap(std::string devRoot, std::string ttyClassRoot, std::string consoleList)
    : DevRoot_(std::move(devRoot)),
      TtyClassRoot_(std::move(ttyClassRoot)),
      ConsoleList_(std::move(consoleList)),
      Names_(DevRoot_) {}

void TPortMap::Assign(int port, const std::string& path) {
    std::lock_guard lock(Lock_);
    Assigned_[port] = path;
}

void TPortMap::ClearAssignments() {
    std::lock_guard lock(Lock_);
    Assigned_.clear();
}

std::optional<std::string> TPortMap::DevicePath(int port) const {
    if (port < 1) {
        return std::nullopt;
    }
    const std::map<int, std::string> ports = Ports();
    if (const auto found = ports.find(port); found != ports.end()) {
        return found->second;
    }
    return std::nullopt;
}

std::map<int, std::string> TPortMap::Ports() const {
    std::map<int, std::string> ports;
    {
        std::lock_guard lock(Lock_);
        ports = Assigned_;
    }
    std::set<std::string> assignedNodes;
    for (const auto& [port, path] : ports) {
        if (std::string node = DeviceNode(path); !node.empty()) {
            assignedNodes.insert(std::move(node));
        }
    }
    int next = 1;
    for (const std::string& device : DiscoverDevices()) {
        if (assignedNodes.count(DeviceNode(device)) != 0) {
            continue;
        }
        while (ports.count(next) != 0) {
            ++next;
        }
        ports[next] = device;
    }
    return ports;
}

std::string TPortMap::StableName(const std::string& devicePath) const {
    return Names_.StableName(devicePath);
}

std::string TPortMap::StableLink(const std::string& devicePath) const {
    return Names_.Link(devicePath);
}

std::vector<std::string> TPortMap::NumberedNodes(const std::string& prefix) const {
    std::vector<std::pair<long, std::string>> nodes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(DevRoot_, error)) {
        const std::string name = entry.path().filename().string();
        if (const long number = NodeNumber(name, prefix); number >= 0) {
            nodes.emplace_back(number, name);
        }
    }
    std::sort(nodes.begin(), nodes.end());
    std::vector<std::string> names;
    for (auto& node : nodes) {
        names.push_back(std::move(node.second));
    }
    return names;
}

bool TPortMap::HasUart(const std::string& name) const {
    std::ifstream type(TtyClassRoot_ + "/" + name + "/type");
    int uartType = 0;
    return type >> uartType && uartType != 0;
}

// console/active lists the consoles on one line ("tty0 ttyS0"); /proc/consoles has one per
// line, the name first. The kernel may list a console in only one of them, so both count.
std::set<std::string> TPortMap::ConsoleNames() const {
    std::set<std::string> names;
    std::ifstream active(TtyClassRoot_ + "/console/active");
    for (std::string name; active >> name;) {
        names.insert(name);
    }
    std::ifstream consoles(ConsoleList_);
    for (std::string line; std::getline(consoles, line);) {
        std::istringstream fields(line);
        if (std::string name; fields >> name) {
            names.insert(name);
        }
    }
    return names;
}

std::vector<std::string> TPortMap::DiscoverDevices() const {
    const std::set<std::string> consoles = ConsoleNames();
    std::vector<std::string> devices;
    const auto add = [&](const std::string& name) {
        if (consoles.count(name) == 0) {
            devices.push_back(DevRoot_ + "/" + name);
        }
    };
    for (const char* prefix : {"ttyUSB", "ttyACM"}) {
        for (const auto& name : NumberedNodes(prefix)) {
            add(name);
        }
    }
    for (const auto& name : NumberedNodes("ttyS")) {
        if (HasUart(name)) {
            add(name);
        }
    }
    return devices;
}

TPortMap& PortMap() {
    static TPortMap map;
    return map;
}

}  // namespace norvane::serial
