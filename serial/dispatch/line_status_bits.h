#pragma once
// The bits of a device's line-error word and modem status byte: the devices (serial/linux/)
// set them, the dispatcher reads them.

#include <cstdint>

namespace norvane::serial {

// Line-error word: what went wrong on the line since the word was last taken.
inline constexpr std::uint32_t kLineErrorQueueOverflow = 0x01;
inline constexpr std::uint32_t kLineErrorOverrun = 0x02;
inline constexpr std::uint32_t kLineErrorParity = 0x04;
inline constexpr std::uint32_t kLineErrorFraming = 0x08;
inline constexpr std::uint32_t kLineErrorBreak = 0x10;
inline constexpr std::uint32_t kLineErrorWordMask = 0x1F;

// Modem status byte: the line states in the high nibble, change bits in the low nibble.
inline constexpr std::uint8_t kModemCts = 0x10;
inline constexpr std::uint8_t kModemDsr = 0x20;
inline constexpr std::uint8_t kModemRing = 0x40;
inline constexpr std::uint8_t kModemDcd = 0x80;
inline constexpr std::uint8_t kModemLinesMask = 0xF0;
inline constexpr std::uint8_t kModemRingChange = 0x04;

}  // namespace norvane::serial
