#pragma once
// Between the device control block and the kernel's termios2, in one place.
//
// termios2 (TCGETS2/TCSETS2) rather than termios so that any baud rate can be set: standard
// rates use their Bnnn code, every other rate BOTHER with the number itself. The line is
// always raw: no echo, no line editing, no character translation, no signals, and reads
// that return at once with what is queued (VMIN = 0, VTIME = 0). CLOCAL is always set, so
// a missing carrier never blocks an open or a read, and CREAD so that we receive at all.
//
// Mapping (device control block -> termios2):
//   BaudRate            c_cflag CBAUD (Bnnn or BOTHER + c_ispeed/c_ospeed)
//   ByteSize 5..8       c_cflag CS5..CS8
//   Parity              none: -, odd: PARENB|PARODD, even: PARENB,
//                       mark: PARENB|CMSPAR|PARODD, space: PARENB|CMSPAR
//   fParity             c_iflag INPCK
//   StopBits            one: -, one and a half / two: CSTOPB
//   fOutxCtsFlow or RTS_CONTROL_HANDSHAKE   c_cflag CRTSCTS
//   fOutX / fInX        c_iflag IXON / IXOFF
//   XonChar / XoffChar  c_cc[VSTART] / c_cc[VSTOP]
// Everything else in the block has no termios counterpart and is taken from the caller's
// copy when reading back.

#include <cstdint>

#include "serial/dispatch/device_control_block.h"

struct termios2;

namespace norvane::serial {

// Writes the block's settings into `tio`, leaving flags that the block does not own as
// they were. Returns 0, or -EINVAL for a baud of 0 (which would hang the line up) or a
// byte size outside 5..8.
int ControlBlockToTermios(const TDeviceControlBlock& dcb, termios2& tio);

// Takes the settings termios holds from `tio` into `dcb`; the other fields of `dcb` keep
// their values.
void TermiosToControlBlock(const termios2& tio, TDeviceControlBlock& dcb);

// The whole of a terminal's settings, kept so that closing can restore what we found.
struct TSavedTermios {
    unsigned char Bytes[64];
    bool Valid = false;
};

// Whether a driver that reports `inForce` baud after being asked for `asked` runs the line
// at that rate. Drivers do not refuse a rate they cannot make: a 16550 keeps its old rate
// (or falls back to 9600), and some report the nearest rate their divisor makes. A receiver
// samples each bit in its middle, so the two ends' clocks may drift half a bit apart over
// the ten bits of a character, 5 % in all, of which each end may take about half: a rate
// within 3 % of the one asked for talks to the instrument, anything further off does not
// (and the kernel's own rounding, to a standard rate within 2 %, stays inside).
inline constexpr std::uint32_t kBaudTolerancePercent = 3;
bool BaudRateTaken(std::uint32_t asked, std::uint32_t inForce);

// On an open terminal descriptor. Each returns 0 or -errno; none throws.
int ReadControlBlock(int fd, TDeviceControlBlock& dcb);
// Puts the block into force and reads back the rate the driver then reports.
int WriteControlBlock(int fd, const TDeviceControlBlock& dcb, std::uint32_t& baudInForce);
int SaveTermios(int fd, TSavedTermios& saved);
int RestoreTermios(int fd, const TSavedTermios& saved);

}  // namespace norvane::serial
