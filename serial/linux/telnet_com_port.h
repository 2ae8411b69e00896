#pragma once
// The client side of Telnet Com Port Control (RFC 2217) as bytes in and bytes out, with no
// socket: what the network device speaks to a serial device server, and what the tests
// feed directly. The Telnet layer itself (IAC escaping, option negotiation, subnegotiation
// buffering across reads) is libtelnet's, behind telnet_input_guard.h.
//
// Negotiated: COM-PORT-OPTION offered by us first and alone, so that a server which is no
// com port server (a raw TCP port given as rfc2217://, a plain Telnet service) has nothing
// else to pass on to a serial line; once the server accepts it, BINARY and
// SUPPRESS-GO-AHEAD both ways, so every byte passes untouched. Any other option the server
// proposes is refused. Server replies to com port commands (command + 100) are kept per
// command until taken; modem and line state notifications are kept as they come.
//
// Not thread-safe: one owner at a time (the network device, under the dispatcher's
// device lock).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "serial/linux/telnet_input_guard.h"

struct telnet_t;
union telnet_event_t;

namespace norvane::serial {

// Client-to-server command codes of the com port option; the server answers with
// code + kComPortReplyOffset.
enum TComPortCommand : std::uint8_t {
    cpcSignature = 0,
    cpcSetBaudRate = 1,
    cpcSetDataSize = 2,
    cpcSetParity = 3,
    cpcSetStopSize = 4,
    cpcSetControl = 5,
    cpcNotifyLineState = 6,
    cpcNotifyModemState = 7,
    cpcPurgeData = 12,
};
inline constexpr std::uint8_t kComPortReplyOffset = 100;
inline constexpr std::uint8_t kComPortOption = 44;

// Values of SET-CONTROL and PURGE-DATA used here.
inline constexpr std::uint8_t kControlNoFlow = 1;
inline constexpr std::uint8_t kControlXonXoff = 2;
inline constexpr std::uint8_t kControlHardwareFlow = 3;
inline constexpr std::uint8_t kControlDtrOn = 8;
inline constexpr std::uint8_t kControlDtrOff = 9;
inline constexpr std::uint8_t kControlRtsOn = 11;
inline constexpr std::uint8_t kControlRtsOff = 12;
inline constexpr std::uint8_t kPurgeReceive = 1;
inline constexpr std::uint8_t kPurgeTransmit = 2;

// The server's answer to our offer of the com port option.
enum class TComPortAnswer { Awaited, Accepted, Refused };

class TTelnetComPort {
  public:
    // Queues the offer of the com port option in Outgoing(). Throws std::bad_alloc when
    // libtelnet cannot allocate.
    TTelnetComPort();
    ~TTelnetComPort();
    TTelnetComPort(const TTelnetComPort&) = delete;
    TTelnetComPort& operator=(const TTelnetComPort&) = delete;

    // Takes bytes received from the server: data bytes are appended to `data` (never more
    // than `bytes` holds), negotiation answers go to Outgoing(). False when the stream
    // broke the protocol (what it did in ProtocolError()); the stream cannot be followed
    // any further then.
    bool Receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data);

    // Queues data bytes, IAC doubled, in Outgoing().
    void SendData(std::span<const std::uint8_t> bytes);
    // Queues IAC SB 44 command value... IAC SE, IAC bytes of the value doubled.
    void SendCommand(std::uint8_t command, std::span<const std::uint8_t> value);

    // What is to be sent, in order; the caller erases what it sent.
    std::vector<std::uint8_t>& Outgoing() { return Outgoing_; }

    // The value of the server's last reply to `command` since the previous call, if one
    // came.
    std::optional<std::vector<std::uint8_t>> TakeReply(std::uint8_t command);
    // Forgets earlier replies to `command`, so that the next one answers a new request.
    void ForgetReply(std::uint8_t command);

    // The last NOTIFY-MODEMSTATE's high nibble (CTS 0x10, DSR 0x20, RI 0x40, DCD 0x80); 0
    // before any.
    std::uint8_t ModemState() const { return ModemState_; }
    // The NOTIFY-LINESTATE bits seen since the previous call.
    std::uint8_t TakeLineState();

    TComPortAnswer ComPortAnswer() const { return ComPortAnswer_; }
    // What the server did that broke the protocol, in words that follow "the server ",
    // e.g. "started compressing the stream, which was never agreed".
    const std::string& ProtocolError() const { return ProtocolError_; }

  private:
    static void OnEvent(telnet_t* telnet, telnet_event_t* event, void* self);
    void OnComPortAnswer(bool accepted);
    void OnSubnegotiation(std::span<const std::uint8_t> body);

    telnet_t* Telnet_ = nullptr;
    TTelnetInputGuard Guard_;
    std::vector<std::uint8_t> Sorted_;  // what the guard passed of the last Receive
    TComPortAnswer ComPortAnswer_ = TComPortAnswer::Awaited;
    std::vector<std::uint8_t> Outgoing_;
    std::vector<std::uint8_t>* ReceivedData_ = nullptr;
    std::vector<std::optional<std::vector<std::uint8_t>>> Replies_;
    std::uint8_t ModemState_ = 0;
    std::uint8_t LineState_ = 0;
    std::string ProtocolError_;
};

}  // namespace norvane::serial
