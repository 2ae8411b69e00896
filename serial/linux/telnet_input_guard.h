#pragma once
// What a serial device server sends, sorted before libtelnet sees it. libtelnet acts on
// some subnegotiations whatever was agreed: Debian builds it with zlib, and an unasked-for
// IAC SB COMPRESS2 IAC SE makes it inflate everything after it, so a server could turn a
// few bytes on the wire into any amount of "data". Only the com port option's
// subnegotiations are ours to read; a COMPRESS2 start is a protocol fault (the rest of the
// stream would be unreadable to us), and every other subnegotiation is dropped whole, so
// libtelnet's parsers for options we never agreed to never run on a server's bytes.
//
// It also notes the server's refusal of the com port option (IAC DONT 44), which libtelnet
// does not report: refusing an option we asked for only changes its state.
//
// Follows the Telnet command structure across calls (an IAC or a subnegotiation may be
// split between reads) and never buffers: what passes is a subsequence of the input.
//
// Not thread-safe: one owner (the com port's Receive).

#include <cstdint>
#include <span>
#include <vector>

namespace norvane::serial {

class TTelnetInputGuard {
  public:
    // Appends to `passed` the bytes of `bytes` that libtelnet may see, in order. False at a
    // COMPRESS2 start or a malformed com port subnegotiation: `passed` then holds what came
    // before it and the guard stays failed.
    bool Sort(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& passed);
    // What the server did, in words that follow "the server "; empty until Sort failed.
    const char* Fault() const { return Fault_; }
    // Whether an IAC DONT 44 has passed.
    bool ComPortRefused() const { return ComPortRefused_; }

  private:
    enum class TState {
        Data,          // plain data, or a command's end
        Iac,           // after an IAC outside a subnegotiation
        Option,        // after IAC WILL, WONT, DO or DONT
        SbOption,      // after IAC SB: the option decides
        SbPassed,      // inside a com port subnegotiation
        SbPassedIac,   // after an IAC inside one
        SbDropped,     // inside another option's subnegotiation
        SbDroppedIac,  // after an IAC inside one
        Failed,
    };

    // One byte in state Iac: the command it starts.
    void AfterIac(std::uint8_t byte, std::vector<std::uint8_t>& passed);
    void Fail(const char* fault);

    TState State_ = TState::Data;
    std::uint8_t Command_ = 0;  // the negotiation command before an option byte
    const char* Fault_ = "";
    bool ComPortRefused_ = false;
};

}  // namespace norvane::serial
