#pragma once
// `norvane-cli ports`: what each port number means on this machine now.

#include <ostream>

#include "cli/cli_options.h"
#include "serial/ports/port_description.h"
#include "serial/ports/port_map.h"

namespace norvane::cli {

// Makes map hold the settings file's port assignments, then writes a header line and one
// line per port number that means a device (number, device path, stable name or "-",
// adapter description or "-", state) to out. Returns the exit code: always 0, since a
// missing or busy device is what the listing is there to show.
int ListPortsCommand(const TCliOptions& options, std::ostream& out, serial::TPortMap& map,
                     const serial::TPortDescriber& describer = serial::TPortDescriber());

}  // namespace norvane::cli
