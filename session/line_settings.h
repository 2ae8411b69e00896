#pragma once
// The five line settings a user chooses, from the settings dialog, the command line or the
// built-in defaults, and the one way they reach a port.

#include "serial/component/custom_com_port.h"

namespace norvane::session {

struct TLineSettings {
    int Port = 1;  // the port number; serial::TPortMap says which device it means
    int Baud = 9600;
    serial::TParity Parity = serial::pNone;
    int DataBits = 8;
    int StopBits = 1;
};

// The five settings `port` has now.
TLineSettings LineSettingsOf(const serial::TVexaCustomComPort& port);

// Gives `port` the five settings. A closed port keeps them for its next open. An open port
// takes them at once: a new port number, or one that now means another device (an adapter
// plugged into another socket), closes it and opens that device, keeping its triggers; the
// rate and framing change on the line. Throws what the port's setters throw (an EOpenComm
// for a device that does not open); settings given before the failure stay given.
// User-interface thread only.
void ApplyLineSettings(serial::TVexaCustomComPort& port, const TLineSettings& line);

}  // namespace norvane::session
