#include "serial/dispatch/line_settings.h"

#include <algorithm>

namespace norvane::serial {

namespace {

constexpr std::uint32_t kKeepParity = 5;
constexpr std::uint32_t kKeepDataBits = 9;
constexpr std::uint32_t kKeepStopBits = 3;

}  // namespace

TDeviceControlBlock RequestedLine(const TDeviceControlBlock& present, std::uint32_t baud,
                                  std::uint8_t parity, std::uint8_t dataBits,
                                  std::uint8_t stopBits) {
    TDeviceControlBlock wanted = present;
    wanted.BaudRate = baud != 0 ? baud : present.BaudRate;
    wanted.Parity = parity != kKeepParity ? parity : present.Parity;
    wanted.ByteSize = dataBits != kKeepDataBits ? dataBits : present.ByteSize;
    if (stopBits != kKeepStopBits) {
        wanted.StopBits = std::clamp<std::uint8_t>(stopBits, 1, 2) == 1 ? ONESTOPBIT : TWOSTOPBITS;
    }
    if (dataBits == 5 || (stopBits != kKeepStopBits && wanted.ByteSize == 5)) {
        wanted.StopBits = ONE5STOPBITS;
    }
    return wanted;
}

bool SameLine(const TDeviceControlBlock& a, const TDeviceControlBlock& b) {
    return a.BaudRate == b.BaudRate && a.Parity == b.Parity && a.ByteSize == b.ByteSize &&
           a.StopBits == b.StopBits;
}

std::uint32_t TransmitDrainMilliseconds(std::uint32_t baud, const TDeviceControlBlock& line) {
    const std::uint32_t rate = TranslateCodedBaud(baud);
    if (rate == 0) {
        return 0;
    }
    const std::uint32_t bits = line.ByteSize + 2u + (line.Parity != pcNone ? 1u : 0u) +
                               (line.StopBits != ONESTOPBIT ? 1u : 0u);
    // In tenths of a microsecond, as the integer division by the rate leaves it.
    std::uint64_t wait = std::uint64_t{10'000'000 / rate} * bits * 18;
    if (wait < 10'000) {
        wait *= 2;
    }
    return static_cast<std::uint32_t>((wait + 9'999) / 10'000);
}

}  // namespace norvane::serial
