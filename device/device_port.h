#pragma once
// What the instrument conversation needs of a serial port, and nothing more.
//
// The desktop program and the command line implement it over the serial port component;
// tests implement it with a scripted instrument. All calls happen on the one thread that
// runs the conversation (the GUI thread in the desktop program).
//
// Failures are reported by throwing. Implementations throw exceptions derived from
// std::exception whose what() is a complete sentence a user can act on; the conversation
// catches them through that base class, so it never needs to know the serial layer's types.

#include <cstddef>
#include <cstdint>
#include <string>

namespace norvane::device {

class IDevicePort {
  public:
    virtual ~IDevicePort() = default;

    // Hands every byte of data to the port's output, opening the port first if it is
    // closed. Returns once the bytes are queued, not when they have left the line.
    virtual void PutString(const std::string& data) = 0;

    // Takes the next received character. Called only from inside an avail notification,
    // for at most as many characters as that notification offered.
    virtual char ReceiveChar() = 0;

    // Received characters not yet taken by ReceiveChar (0 while the port is closed): the
    // port has them, and its notifications will offer them.
    virtual std::size_t UnreadCount() = 0;

    // Adds a data trigger on `pattern` and returns its handle. Each time the pattern
    // arrives the port notifies the conversation with that handle. Opens the port if it is
    // closed. A trigger stays in place until the port is destroyed.
    virtual std::uint16_t AddDataTrigger(const std::string& pattern, bool ignoreCase) = 0;
};

}  // namespace norvane::device
