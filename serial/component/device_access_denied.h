#pragma once
// The port's failures that name the device, where a table text alone would leave the user
// guessing: a device the user may not use or another program holds, a network device that
// cannot be opened, a baud rate the driver does not take.

#include <cstdint>
#include <string>
#include <string_view>

#include "serial/errors/vexa_exception.h"
#include "serial/errors/vexa_leaf_exceptions.h"

namespace norvane::serial {

// Raised by the port's open code instead of going through RaiseOnError when the open
// failed with EACCES or EPERM (IsPermissionDenied): the user needs to hear which device
// and why, which no table text can say. ErrorCode is the result of the failed open.
class EDeviceAccessDenied : public EOpenComm {
  public:
    EDeviceAccessDenied(std::string_view device, std::int32_t code);
};

// Raised by the port's open code when another process holds a local serial device without
// locking it (port_holders.h): "Serial device /dev/ttyUSB0 is in use by screen (pid 4242)".
// `holder` is the device's FailureText, which names the process. ErrorCode is the result of
// the failed open.
class EDeviceInUse : public EOpenComm {
  public:
    EDeviceInUse(std::string_view device, std::int32_t code, std::string_view holder);
};

// Raised by the port's open code when a network device (network_address.h) cannot be
// opened: the message names the address, which no table text can, and what the server did
// when the device knows (`detail`, the dispatcher's DeviceFailureText).
class ENetworkDeviceFailed : public EOpenComm {
  public:
    ENetworkDeviceFailed(std::string_view address, std::int32_t code, std::string_view detail);
};

// Raised by the port in place of the bare table text when the device said what it did
// instead (`detail`, the dispatcher's DeviceFailureText): the rate asked for and the one the
// driver set. The message is the table's text, then the device and the detail on a line of
// their own. ErrorCode is the failed result.
class EBaudRateRefused : public EBaudRate {
  public:
    EBaudRateRefused(std::string_view device, std::int32_t code, std::string_view detail);
};

}  // namespace norvane::serial
