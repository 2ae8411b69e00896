#pragma once
// What every port number means now, for a user choosing or checking a port: the rows of
// `norvane-cli ports` and the hints in the desktop program's port lists.
//
// Reads the file system; with probing, opens and closes each device at once (as Select
// Port does), which leaves the line's settings as they were. User-interface thread.

#include <optional>
#include <string>
#include <vector>

#include "serial/linux/port_holders.h"
#include "serial/ports/port_availability.h"
#include "serial/ports/port_description.h"
#include "serial/ports/port_map.h"

namespace norvane::serial {

struct TPortListing {
    int Port = 0;
    std::string Device;       // the path the number means
    std::string StableName;   // by-id or by-path link, "" when the device has none
    std::string Description;  // the adapter's words from sysfs, "" when it has none
    TDevicePresence Presence = TDevicePresence::Missing;
    // Who else has the device, found for a probed local device that is there
    // (port_holders.h, in the folders of PortClaimSettings()).
    std::optional<TPortHolder> Holder;
};

// "in use by screen (pid 4242)" for a row with a holder, else PresenceText of its presence.
std::string StateText(const TPortListing& row);

// One row for `port`, or for the path it means: presence is probed by opening the device,
// and the holder looked for, when `probe` is set; otherwise it is Available for any device that
// exists and Missing for one that does not.
TPortListing DescribePort(int port, const std::string& device, const TPortMap& map,
                          const TPortDescriber& describer, bool probe);

// Every number that means a device, lowest first, probed.
std::vector<TPortListing> ListPorts(const TPortMap& map,
                                    const TPortDescriber& describer = TPortDescriber());

}  // namespace norvane::serial
