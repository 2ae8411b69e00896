#pragma once
// The failure for a baud rate a device's driver does not run the line at.

#include <cstdint>
#include <string_view>

#include "serial/errors/vexa_leaf_exceptions.h"

namespace norvane::serial {

// Raised by the port in place of the bare table text when the device said what it did
// instead (`detail`, the dispatcher's DeviceFailureText): the rate asked for and the one the
// driver set. The message is the table's text, then the device and the detail on a line of
// their own. ErrorCode is the failed result.
class EBaudRateRefused : public EBaudRate {
  public:
    EBaudRateRefused(std::string_view device, std::int32_t code, std::string_view detail);
};

}  // namespace norvane::serial
