#include "serial/linux/port_listing.h"

#include <future>
#include <utility>

#include "serial/linux/network_address.h"
#include "serial/linux/stable_device_name.h"

namespace norvane::serial {

TPortListing DescribePort(int port, const std::string& device, const TPortMap& map,
                          const TPortDescriber& describer, bool probe) {
    TPortListing row;
    row.Port = port;
    row.Device = device;
    row.StableName = map.StableLink(device);
    row.Description = describer.Describe(device);
    if (probe) {
        row.Presence = ProbeDevice(device);
    } else {
        row.Presence =
            DeviceNode(device).empty() ? TDevicePresence::Missing : TDevicePresence::Available;
    }
    return row;
}

std::vector<TPortListing> ListPorts(const TPortMap& map, const TPortDescriber& describer) {
    std::vector<TPortListing> rows;
    // Network probes wait for servers, each up to its time-out: they all wait at once, so
    // that a list of unreachable servers takes one time-out, not one each.
    std::vector<std::pair<std::size_t, std::future<TDevicePresence>>> probes;
    for (const auto& [port, device] : map.Ports()) {
        const bool network = IsNetworkDeviceName(device);
        rows.push_back(DescribePort(port, device, map, describer, !network));
        if (network) {
            probes.emplace_back(rows.size() - 1,
                                std::async(std::launch::async, ProbeDevice, device));
        }
    }
    for (auto& [row, presence] : probes) {
        rows[row].Presence = presence.get();
    }
    return rows;
}

}  // namespace norvane::serial
