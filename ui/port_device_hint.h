#pragma once
// The hint beside a port number in the port lists: which device the number means now and
// what adapter that is, since Linux has no "COM3" a user could look up.

#include <QString>

#include "serial/ports/port_description.h"
#include "serial/ports/port_map.h"

namespace norvane::ui {

// "<device path> (<adapter description>)", the path alone when sysfs describes nothing,
// ": missing" after it when the device is absent, and on a second line the adapter's
// stable name when it has one other than the path; "no device" when the number means none.
// Looks at the file system each time; opens nothing.
QString PortDeviceHint(int port, const serial::TPortMap& map = serial::PortMap(),
                       const serial::TPortDescriber& describer = serial::TPortDescriber());

}  // namespace norvane::ui
