#pragma once
// What a serial device is, in the words of the adapter that provides it: the text the
// port settings dialog shows beside a port number, so that the user can tell which plug
// "port 3" is.
//
// The kernel publishes the adapter's USB strings in sysfs: /sys/class/tty/<name>/device
// leads to the interface the tty belongs to, whose folder may carry "interface", and whose
// ancestor, the USB device, carries "manufacturer", "product" and often "serial". Built-in ports
// and pseudo-terminals have none of these and get no description.
//
// Reads the file system only; no udev. Any thread.

#include <string>

namespace norvane::serial {

class TPortDescriber {
  public:
    // ttyClassRoot holds the kernel's per-tty folders; another root than the machine's is
    // for tests.
    explicit TPortDescriber(std::string ttyClassRoot = "/sys/class/tty");

    // "manufacturer product (serial S)" of the adapter behind devicePath (a device node, possibly
    // reached through a symbolic link such as /dev/serial/by-id/...), or its interface's
    // name when it has no product string, or "" when sysfs says nothing about it.
    std::string Describe(const std::string& devicePath) const;

  private:
    std::string TtyClassRoot_;
};

}  // namespace norvane::serial
