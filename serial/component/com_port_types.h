#pragma once
// The value types of the port component's properties.

#include <cstdint>

namespace norvane::serial {

// Driver family. Only dlWin32 is accepted: on Linux it means the platform's native serial
// driver (termios), which is what the name stood for.
enum TDeviceLayer : std::uint8_t { dlWin16, dlFossil, dlWin32, dlWinsock };

enum TParity : std::uint8_t { pNone, pOdd, pEven, pMark, pSpace };

enum THWFlowOptions : std::uint8_t { hwfUseDTR, hwfUseRTS, hwfRequireDSR, hwfRequireCTS };

// A set of THWFlowOptions. Its bits are the dispatcher's options word: 1 use DTR, 2 use RTS,
// 4 require DSR, 8 require CTS.
class THWFlowOptionSet {
  public:
    constexpr THWFlowOptionSet() = default;
    constexpr THWFlowOptionSet(std::initializer_list<THWFlowOptions> options) {
        for (const auto option : options) {
            Bits_ |= Bit(option);
        }
    }
    constexpr bool Contains(THWFlowOptions option) const { return (Bits_ & Bit(option)) != 0; }
    constexpr THWFlowOptionSet Without(THWFlowOptions option) const {
        return FromWord(Bits_ & ~Bit(option));
    }
    constexpr bool Empty() const { return Bits_ == 0; }
    constexpr std::uint32_t Word() const { return Bits_; }
    static constexpr THWFlowOptionSet FromWord(std::uint32_t word) {
        THWFlowOptionSet set;
        set.Bits_ = word & 0x0F;
        return set;
    }
    constexpr bool operator==(const THWFlowOptionSet&) const = default;

  private:
    static constexpr std::uint32_t Bit(THWFlowOptions option) { return 1u << option; }
    std::uint32_t Bits_ = 0;
};

enum TSWFlowOptions : std::uint8_t { swfNone, swfReceive, swfTransmit, swfBoth };

enum TTraceLogState : std::uint8_t { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };

enum TTapiMode : std::uint8_t { tmNone, tmAuto, tmOn, tmOff };

}  // namespace norvane::serial
