#pragma once
// How this program claims a local serial device beyond the flock() and TIOCEXCL of
// posix_serial_device.h, which only programs that check them respect: before opening, it
// refuses a device another process holds (port_holders.h), and while it holds one it keeps
// the device's UUCP lock file (uucp_lock.h) for the programs that look there.
//
// One setting for the whole process, because it is the front end's decision (a command
// line's --force) and the device is opened far below it, by a dispatcher the port
// component creates (a front end sets it through serial/component/held_devices.h); the
// folders are settings so that tests can use their own. The process's only other
// serial-wide setting of this kind is PortMap() (serial/ports/port_map.h).

#include <filesystem>

#include "serial/linux/uucp_lock.h"

namespace norvane::serial {

struct TPortClaimSettings {
    std::filesystem::path ProcDir = "/proc";
    std::filesystem::path LockDir = kSystemLockDir;
    // Open a device that another process holds all the same: the user knows better (the
    // other program only listens, say). Our own lock is then taken only when free.
    bool OpenHeldDevices = false;
};

// The process's settings. Set them before ports open; every open reads them on the thread
// that opens (the user-interface thread), and nothing else reads them.
TPortClaimSettings& PortClaimSettings();

}  // namespace norvane::serial
