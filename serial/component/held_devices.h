#pragma once
// Whether this process's ports open a local device that another process holds without
// locking it, instead of refusing it with EDeviceInUse: the front end's decision (a command
// line's --force). The driver reads it far below, when a port opens; this is the setting of
// serial/linux/port_claim.h as the programs above the layer reach it.

namespace norvane::serial {

// Set before ports open, on the thread that opens them (the user-interface thread).
void SetOpenHeldDevices(bool open);

}  // namespace norvane::serial
