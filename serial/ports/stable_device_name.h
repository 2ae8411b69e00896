#pragma once
// The name a serial device keeps while the kernel's names change under it.
//
// Kernel names follow plug order: the adapter that was ttyUSB0 comes back as ttyUSB1 when
// another one was plugged in first. udev gives each USB adapter a link under
// /dev/serial/by-id/ made of its vendor, product and serial number, and every adapter a
// link under /dev/serial/by-path/ made of the socket it sits in; both stay the same across
// replugs and reboots (by-path only while the adapter stays in its socket). A device with
// neither link (a built-in port, a pseudo-terminal, a name the user typed) keeps the name
// it was given.
//
// Reads the file system only; no udev. Any thread.

#include <string>

namespace norvane::serial {

class TStableDeviceNames {
  public:
    // devRoot holds the device nodes and udev's serial/ folder; another root than the
    // machine's is for tests.
    explicit TStableDeviceNames(std::string devRoot = "/dev");

    // The by-id link that leads to devicePath, else the by-path link, else "". A
    // devicePath that is itself one of those links is returned as it is.
    std::string Link(const std::string& devicePath) const;

    // Link(devicePath), or devicePath as given when it has none.
    std::string StableName(const std::string& devicePath) const;

  private:
    std::string LinkTo(const std::string& folder, const std::string& node) const;

    std::string DevRoot_;
};

}  // namespace norvane::serial
