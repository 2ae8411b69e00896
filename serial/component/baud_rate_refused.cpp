#include "serial/component/baud_rate_refused.h"

#include <string>

#include "base/visible_text.h"
#include "serial/errors/error_text.h"

namespace norvane::serial {

EBaudRateRefused::EBaudRateRefused(std::string_view device, std::int32_t code,
                                   std::string_view detail)
    : EBaudRate(code,
                ErrorText(code) + "\n" + base::VisibleText(device) + ": " + std::string(detail)) {}

}  // namespace norvane::serial
