#pragma once
// What a failed port open tried, in words a user can act on.
//
// The serial layer's own texts ("ie_BadId - Specified comport doesn't exist", or the host's
// "Is a directory") say what went wrong but not with what: port numbers mean different
// devices on every machine, and a user who typed a path wants to hear which part of it was
// wrong. Both front ends show this line below the failure's own text, so that the command
// line and the desktop program's error report say the same.
//
// Plain POSIX; any thread (reads the file system and sysfs, opens nothing).

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "serial/ports/port_description.h"
#include "serial/ports/port_map.h"

namespace norvane::serial {

// port: the number that led to the device, nullopt when the device was named directly.
// device: the path that was tried, nullopt when the number means no device.
// result: the failed open's result code, 0 when not known.
//
//   "port 7: no serial device found on this machine; see norvane-cli ports"  (map empty)
//   "port 7: means no device on this machine; see norvane-cli ports"         (others exist)
//   "[port 7: ]/dev/ttyUSB9 does not exist"
//   "[port 7: ]/tmp is a directory, not a serial device"
//   "[port 7: ]/dev/null is not a serial device"  (no character device, or no terminal)
//   "[port 7: ]/dev/ttyUSB0[ (adapter description)]"  (the device itself looks right)
//   "port 7: socket://host:4001", "" without a port  (a network address: its connection
//                                                     failure names it already)
std::string OpenAttemptText(std::optional<int> port, const std::optional<std::string>& device,
                            std::int32_t result, const TPortMap& map,
                            const TPortDescriber& describer = TPortDescriber());

// The desktop program's line for a port number that means no device, where the command
// line's pointer to `norvane-cli ports` would send the user to a program they did not start:
//   "Port 2 has no device on this machine. Serial devices found: ttyUSB0 (port 1)."
//   "No serial device is connected."  (the map has none at all)
// Devices are named by their file name in /dev, network devices by their address.
std::string NoDeviceForPortText(int port, const TPortMap& map);

// The result code a failure of the serial layer was raised for (EVexaException family or
// EInOutError), 0 for any other exception.
std::int32_t FailureResultCode(const std::exception& failure);

}  // namespace norvane::serial
