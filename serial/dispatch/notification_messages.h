#pragma once
// Message numbers of the dispatcher's notifications and of the port component's own
// messages to its notification window.

#include <cstdint>

namespace norvane::serial {

inline constexpr std::uint32_t MsgTriggerAvail = 0x7E01;   // First: unread byte count
inline constexpr std::uint32_t MsgTriggerData = 0x7E02;    // First: data trigger handle
inline constexpr std::uint32_t MsgTriggerTimer = 0x7E03;   // First: timer trigger handle
inline constexpr std::uint32_t MsgTriggerStatus = 0x7E04;  // First: status trigger handle
inline constexpr std::uint32_t MsgPortOpened = 0x7E08;
inline constexpr std::uint32_t MsgPortClosing = 0x7E09;
inline constexpr std::uint32_t MsgClosePending = 0x7E0A;
// Posted (not sent) by the serial driver when the device went away while open: unplugged,
// hung up, or failing with EIO. First: the result code of the cause, negative, as 32 bits.
// The device is closed and the worker threads have ended or are ending; the receiver closes
// the port so that the next use opens it again.
inline constexpr std::uint32_t MsgDeviceLost = 0x7E0B;

// Second parameter of a notification: the dispatcher's registry index in the high 16 bits,
// so that the receiver can find the dispatcher from the message alone, and a value in the
// low 16 bits (the trigger length for data notifications, 0 for avail).
constexpr std::int32_t NotificationSecond(std::int32_t registryIndex, std::uint16_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(registryIndex) << 16 | value);
}
constexpr std::int32_t RegistryIndexOf(std::int32_t second) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(second) >> 16);
}
constexpr std::uint16_t ValueOf(std::int32_t second) {
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(second) & 0xFFFF);
}

}  // namespace norvane::serial
