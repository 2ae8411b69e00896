#pragma once
// The input/output failure raised for negated file and device codes and for operating-
// system errors without a code of their own.
//
// It stands apart from the EVexaException family on purpose: it reports a failure of the
// system underneath, not of the serial layer. Its code is positive, the magnitude of the
// result it was raised for. Running out of memory (code 8) is not an EInOutError: it
// becomes std::bad_alloc, the standard library's own out-of-memory exception, so that it
// is handled wherever allocation failures are.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace norvane::serial {

class EInOutError : public std::runtime_error {
  public:
    EInOutError(std::int32_t errorCode, const std::string& message)
        : std::runtime_error(message), ErrorCode_(errorCode) {}

    std::int32_t ErrorCode() const noexcept { return ErrorCode_; }

  private:
    std::int32_t ErrorCode_;
};

}  // namespace norvane::serial
