#include "serial/ports/port_listing.h"

#include "serial/linux/device_node.h"
#include "serial/linux/port_claim.h"

namespace norvane::serial {

namespace {

// A busy device may be held by a program that locked it, found as well by its descriptor.
void FindHolder(TPortListing& row) {
    if (row.Presence != TDevicePresence::Available && row.Presence != TDevicePresence::Busy) {
        return;
    }
    const TPortClaimSettings& claim = PortClaimSettings();
    row.Holder = TPortHolderFinder(claim.ProcDir, claim.LockDir).Find(row.Device);
}

}  // namespace

std::string StateText(const TPortListing& row) {
    return row.Holder ? InUseText(*row.Holder) : PresenceText(row.Presence);
}

TPortListing DescribePort(int port, const std::string& device, const TPortMap& map,
                          const TPortDescriber& describer, bool probe) {
    TPortListing row;
    row.Port = port;
    row.Device = device;
    row.StableName = map.StableLink(device);
    row.Description = describer.Describe(device);
    if (probe) {
        row.Presence = ProbeDevice(device);
        FindHolder(row);
    } else {
        row.Presence =
            DeviceNode(device).empty() ? TDevicePresence::Missing : TDevicePresence::Available;
    }
    return row;
}

std::vector<TPortListing> ListPorts(const TPortMap& map, const TPortDescriber& describer) {
    std::vector<TPortListing> rows;
    std::vector<std::string> devices;
    for (const auto& [port, device] : map.Ports()) {
        rows.push_back(DescribePort(port, device, map, describer, false));
        devices.push_back(device);
    }
    const std::vector<TDevicePresence> presences = ProbeDevices(devices);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].Presence = presences[i];
        FindHolder(rows[i]);
    }
    return rows;
}

}  // namespace norvane::serial
