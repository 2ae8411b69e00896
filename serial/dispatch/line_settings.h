#pragma once
// Arithmetic of the line-setting operations, kept apart from the device so that it can be
// checked without one.

#include <cstdint>

#include "serial/dispatch/device_control_block.h"

namespace norvane::serial {

// The settings ConfigureLine asks for, given what the device has now: each of baud 0,
// parity 5, data bits 9 and stop bits 3 keeps the present value. Stop bits 0 count as 1 and
// above 2 as 2. Five data bits (asked for or kept) always get one and a half stop bits, the
// only stop setting a UART has at that size besides one. The arguments must be in range
// (parity 0..5, data bits 5..9); only the four line fields of the result are meaningful.
TDeviceControlBlock RequestedLine(const TDeviceControlBlock& present, std::uint32_t baud,
                                  std::uint8_t parity, std::uint8_t dataBits,
                                  std::uint8_t stopBits);

// Whether the two blocks agree in baud, parity, byte size and stop bits.
bool SameLine(const TDeviceControlBlock& a, const TDeviceControlBlock& b);

// How long to wait, once the output queue is empty, for the last characters to leave the
// UART before the line settings change: 18 character times at `baud` (a rate or an old rate
// code) with the framing of `line`, in whole milliseconds rounded up; a wait below one
// millisecond is doubled first. 0 for a baud of 0.
std::uint32_t TransmitDrainMilliseconds(std::uint32_t baud, const TDeviceControlBlock& line);

}  // namespace norvane::serial
