#pragma once
// Root and groups of the serial layer's exception family.
//
// Below the port component every operation returns a result code (error_codes.h); the
// component turns negative results into these exceptions through RaiseOnError. They derive
// from std::runtime_error so that code which knows nothing of the serial layer (the
// device conversation, the application's error report) can catch them as std::exception
// and show what().

#include <cstdint>
#include <stdexcept>
#include <string>

namespace norvane::serial {

class EVexaException : public std::runtime_error {
  public:
    // For a result code: the message is ErrorText of the code, ErrorCode the code as given
    // (negative for an error). Every group and leaf class is raised this way.
    explicit EVexaException(std::int32_t code);

    // For a failure without a code: ErrorCode is 0.
    explicit EVexaException(const std::string& message);

    std::int32_t ErrorCode() const noexcept { return ErrorCode_; }

  protected:
    // For classes that carry a code but word their message themselves.
    EVexaException(std::int32_t code, const std::string& message);

  private:
    std::int32_t ErrorCode_;
};

// The groups. Only EProtocol is ever raised itself; the others are there to be caught.
class EGeneral : public EVexaException {
  public:
    using EVexaException::EVexaException;
};

class EOpenComm : public EVexaException {
  public:
    using EVexaException::EVexaException;
};

class ESerialIO : public EVexaException {
  public:
    using EVexaException::EVexaException;
};

class EModem : public EVexaException {
  public:
    using EVexaException::EVexaException;
};

class ETrigger : public EVexaException {
  public:
    using EVexaException::EVexaException;
};

class EProtocol : public EVexaException {
  public:
    using EVexaException::EVexaException;
};

class EINI : public EVexaException {
  public:
    using EVexaException::EVexaException;
};

class EFax : public EVexaException {
  public:
    using EVexaException::EVexaException;
};

class ETapi : public EVexaException {
  public:
    using EVexaException::EVexaException;
};

class ERas : public EVexaException {
  public:
    using EVexaException::EVexaException;
};

// A leaf class adds nothing to its group but a type of its own, so that a caller can
// catch one particular error. `Tag` only keeps the types apart; it is the code the class
// is named after (a class raised for several codes is tagged with the first of them).
template <typename Group, std::int32_t Tag>
class EVexaLeaf : public Group {
  public:
    using Group::Group;
};

}  // namespace norvane::serial
