#include "serial/errors/vexa_exception.h"

#include "serial/errors/error_text.h"

namespace norvane::serial {

EVexaException::EVexaException(std::int32_t code) : EVexaException(code, ErrorText(code)) {}

EVexaException::EVexaException(const std::string& message) : EVexaException(0, message) {}

EVexaException::EVexaException(std::int32_t code, const std::string& message)
    : std::runtime_error(message), ErrorCode_(code) {}

}  // namespace norvane::serial
