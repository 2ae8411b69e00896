#pragma once
// Which device a name (a kernel name, a udev link, a path the user typed) means. The
// driver names its lock files by it (uucp_lock.h); the port naming above it
// (serial/ports/) compares names by it.
//
// Reads the file system only. Any thread.

#include <string>

namespace norvane::serial {

// The device node a name leads to now (symbolic links followed), or "" when it leads
// nowhere; a network device's address (network_address.h) stands for itself. Two names
// mean the same device exactly when their nodes are equal.
std::string DeviceNode(const std::string& path);

}  // namespace norvane::serial
