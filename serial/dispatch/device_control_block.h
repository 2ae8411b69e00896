#pragma once
// The line settings of one serial device, as the dispatcher reads and writes them.
//
// The fields are those of the classic device control block that the dispatcher's line and
// flow operations are written against. On Linux they are carried by termios (see
// posix_termios.h), except where noted: a few settings have no termios equivalent and are
// kept here only so that what was set can be reported back.

#include <cstdint>

namespace norvane::serial {

enum TParityCode : std::uint8_t {
    pcNone = 0,
    pcOdd = 1,
    pcEven = 2,
    pcMark = 3,
    pcSpace = 4,
};

enum TStopBitsCode : std::uint8_t {
    ONESTOPBIT = 0,
    // One and a half stop bits exist only with 5 data bits; a UART asked for two stop bits
    // at 5 data bits sends one and a half, so this maps to two on Linux.
    ONE5STOPBITS = 1,
    TWOSTOPBITS = 2,
};

enum TDtrControl : std::uint8_t {
    DTR_CONTROL_DISABLE = 0,
    DTR_CONTROL_ENABLE = 1,
    // Not enforced by Linux: no serial driver drops DTR when the input queue fills.
    DTR_CONTROL_HANDSHAKE = 2,
};

enum TRtsControl : std::uint8_t {
    RTS_CONTROL_DISABLE = 0,
    RTS_CONTROL_ENABLE = 1,
    RTS_CONTROL_HANDSHAKE = 2,  // RTS/CTS flow: CRTSCTS
    RTS_CONTROL_TOGGLE = 3,     // RS-485 transmit switching, done by the driver if at all
};

struct TDeviceControlBlock {
    std::uint32_t BaudRate = 9600;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = pcNone;
    std::uint8_t StopBits = ONESTOPBIT;
    bool fBinary = true;
    bool fParity = false;       // check parity on input: INPCK
    bool fOutxCtsFlow = false;  // with RTS handshake: CRTSCTS (Linux knows only both together)
    // Not enforced by Linux: output is never held back by DSR.
    bool fOutxDsrFlow = false;
    std::uint8_t fDtrControl = DTR_CONTROL_ENABLE;
    bool fDsrSensitivity = false;   // no termios equivalent; kept for reporting
    bool fTXContinueOnXoff = true;  // no termios equivalent; kept for reporting
    bool fOutX = false;             // stop sending on XOFF: IXON
    bool fInX = false;              // send XOFF when our input fills: IXOFF
    std::uint8_t fRtsControl = RTS_CONTROL_ENABLE;
    bool fAbortOnError = false;  // no termios equivalent; kept for reporting
    // The kernel picks its own XON/XOFF thresholds; the limits are kept for reporting.
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    char XonChar = 17;
    char XoffChar = 19;

    bool operator==(const TDeviceControlBlock&) const = default;
};

// The old 16-bit rate codes (0xFF10 = 110 ... 0xFF27 = 256000, 0xFEFF = 115200) stand for
// their rates wherever a baud is read or applied; any other value is the rate itself.
std::uint32_t TranslateCodedBaud(std::uint32_t baud);

}  // namespace norvane::serial
