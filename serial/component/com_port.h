#pragma once
// TVexaComPort: the port component as the program uses it. All behaviour is in
// TVexaCustomComPort; this class only exists so that the program's forms name one type
// whose properties are all public.

#include "serial/component/custom_com_port.h"

namespace norvane::serial {

class TVexaComPort : public TVexaCustomComPort {
  public:
    using TVexaCustomComPort::TVexaCustomComPort;
};

}  // namespace norvane::serial
