#include "serial/dispatch/device_control_block.h"

#include <array>
#include <utility>

namespace norvane::serial {

std::uint32_t TranslateCodedBaud(std::uint32_t baud) {
    static constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 14> kCodes{{
        {0xFEFF, 115200},
        {0xFF10, 110},
        {0xFF11, 300},
        {0xFF12, 600},
        {0xFF13, 1200},
        {0xFF14, 2400},
        {0xFF15, 4800},
        {0xFF16, 9600},
        {0xFF17, 14400},
        {0xFF18, 19200},
        {0xFF1B, 38400},
        {0xFF1F, 56000},
        {0xFF23, 128000},
        {0xFF27, 256000},
    }};
    for (const auto& [code, rate] : kCodes) {
        if (code == baud) {
            return rate;
        }
    }
    return baud;
}

}  // namespace norvane::serial
