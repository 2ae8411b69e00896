#pragma once
// Whether a port number stands for a serial device that exists, for offering it in the
// Select Port dialog.
//
// A port counts as available when its device can be opened the way the driver opens it, or
// when the open is refused only because someone holds the port (another program, or this
// one) or because the user lacks permission: the device exists, it is just not free now.
// Every other failure (no device for the number, no such node, not a terminal) means no.
//
// Probing opens and closes the device at once; it leaves the line's settings as it found
// them. User-interface thread (it creates a short-lived dispatcher).

#include <string>
#include <vector>

#include "serial/ports/port_map.h"

namespace norvane::serial {

enum class TDevicePresence {
    Available,     // it opens
    Busy,          // another program (or this one) holds it
    NoPermission,  // the user may not open it (not in the "dialout" group)
    Missing,       // no such device now (an adapter assigned but unplugged)
    Unusable,      // it exists but cannot serve as a serial port (not a terminal, ...)
    // Network devices (network_address.h), tried with a TCP connect alone within
    // kProbeConnectTimeout:
    Reachable,   // the server accepts connections
    Refused,     // the host answers, nothing listens there
    NoAnswer,    // no answer in time
    UnknownHost  // the name does not resolve
};

// "available", "busy", "no permission", "missing", "unusable", "reachable", "refused",
// "no answer", "unknown host".
const char* PresenceText(TDevicePresence presence);

// The probe itself, for a device path. Network devices may be probed from any thread.
TDevicePresence ProbeDevice(const std::string& devicePath);

// The probes of several devices, in order. Network devices wait for their servers all at
// once, so a list of unreachable servers takes one time-out, not one each.
std::vector<TDevicePresence> ProbeDevices(const std::vector<std::string>& devicePaths);

// Available, busy, no permission or reachable: the device is there.
bool IsPresent(TDevicePresence presence);
bool IsDeviceAvailable(const std::string& devicePath);

// False for 0 and for numbers the map gives no device; otherwise the probe of that device.
bool IsPortAvailable(int port, const TPortMap& map = PortMap());

// The numbers from 1 to `highest` for which IsPortAvailable holds, lowest first, probed
// with ProbeDevices.
std::vector<int> AvailablePorts(int highest, const TPortMap& map = PortMap());

}  // namespace norvane::serial
