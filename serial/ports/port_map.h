#pragma once
// Which device a port number means.
//
// The program and the settings file speak of ports 1 to 16; Linux of device nodes whose
// names depend on the adapter and the order it was plugged in. A number given a path
// explicitly (by the settings file, the command line or the desktop program) always means
// that path, present or not; the settings dialog assigns the adapter's stable name (see
// stable_device_name.h), so the number follows the adapter. The automatic mapping covers
// the rest: the serial devices found on the machine that no assignment leads to, in the
// order a field engineer expects, go to the numbers no assignment takes, lowest first. The
// order: USB adapters (ttyUSB*, then ttyACM*, each by number), then the built-in ttyS*
// ports that have a UART behind them (the kernel creates ttyS0-31 whether or not the
// hardware exists; their sysfs "type" is 0 when it does not). An assigned adapter that is
// absent therefore never lets its number slide to another device.
// A tty that is the system console (named in sysfs' console/active or in /proc/consoles,
// e.g. console=ttyS0 on a server) is never found: a probe sent there would go to the
// kernel's console.
//
// Thread-safe: every member takes the map's own lock.

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "serial/ports/stable_device_name.h"

namespace norvane::serial {

class TPortMap {
  public:
    // devRoot holds the device nodes, ttyClassRoot the kernel's per-tty sysfs folders,
    // consoleList the kernel's list of consoles; other places than the machine's are for
    // tests.
    explicit TPortMap(std::string devRoot = "/dev", std::string ttyClassRoot = "/sys/class/tty",
                      std::string consoleList = "/proc/consoles");

    // Port `port` means `path` from now on, whatever is plugged in.
    void Assign(int port, const std::string& path);
    void ClearAssignments();

    // The device for a port, or nothing when the number means no device (below 1, or
    // beyond what is assigned and found). An assigned path is returned whether or not it
    // exists now.
    std::optional<std::string> DevicePath(int port) const;

    // Every number that means a device, with its path: the assignments and the automatic
    // mapping together.
    std::map<int, std::string> Ports() const;

    // The adapter's stable name for a device path (by-id link, else by-path link, else the
    // path itself), looked up under this map's device root.
    std::string StableName(const std::string& devicePath) const;
    // The by-id or by-path link alone, "" when the device has none.
    std::string StableLink(const std::string& devicePath) const;

    // The machine's serial devices in port order, as found now.
    std::vector<std::string> DiscoverDevices() const;

  private:
    std::vector<std::string> NumberedNodes(const std::string& prefix) const;
    bool HasUart(const std::string& name) const;
    std::set<std::string> ConsoleNames() const;

    std::string DevRoot_;
    std::string TtyClassRoot_;
    std::string ConsoleList_;
    TStableDeviceNames Names_;
    mutable std::mutex Lock_;
    std::map<int, std::string> Assigned_;
};

// The process-wide map the port component opens its ports through.
TPortMap& PortMap();

}  // namespace norvane::serial
