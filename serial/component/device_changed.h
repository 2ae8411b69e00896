#pragma once
// The port-opening failure for a port number that now means another device than the one the
// port was using.

#include <string>

#include "serial/errors/vexa_exception.h"

namespace norvane::serial {

// Raised instead of opening `found` when the port was bound to `bound` (an adapter
// unplugged, another one now answering to the number): writing to the wrong instrument is
// worse than not writing at all. ErrorCode is -ecBadId.
class EDeviceChanged : public EOpenComm {
  public:
    EDeviceChanged(int port, const std::string& bound, const std::string& found);
};

}  // namespace norvane::serial
