#pragma once
// A serial line reached through a serial device server over TCP, as a TLineDevice: the
// dispatcher's threads poll its socket as they poll a tty.
//
// socket://HOST:PORT is raw TCP: the bytes are the line's, and the line settings are the
// server's business (accepted and ignored, as a pseudo-terminal does). rfc2217://HOST:PORT
// speaks Telnet Com Port Control (telnet_com_port.h): data bytes travel escaped, line
// settings, DTR/RTS and purges go to the server as com port commands.
//
// Opening socket:// listens for kRefusalWait (or two round trips, if longer) for a server
// that refuses at once, as a busy ser2net does with a line of text and a close.
//
// Opening rfc2217:// waits up to kNegotiationWait for the server to accept the com port
// option, and fails when it refuses, stays silent, closes (a busy ser2net says why in a
// line of text first) or breaks the protocol; nothing but the offer goes out before. While
// nobody else reads the connection (awaitReplies), ApplySettings then waits for the server
// to confirm the baud rate, data size, parity and stop size, at least kReplyWait and three
// times the negotiation's round trip (a slow link answers late, not never); a confirmation
// of another value than asked fails with the matching code, a missing one is no failure
// (servers stay silent about what they cannot apply, such as modem lines on a device
// without them). Data that arrives meanwhile is kept for the next Read. A contradiction
// that comes later still, or to settings changed while the port is open, makes the device
// lost, with FailureText saying why.
//
// The server is as untrusted as the line: data kept while waiting and answers not yet
// sent are each capped at kQueueCap, every wait ends at its deadline whatever arrives, and
// the waits at open and close give up at once when the user asks to stop
// (interruptible_wait.h). After a failed Open or ApplySettings, or a loss the server
// caused, FailureText says in words what the server did.
//
// A connection the server closes or resets, or whose stream breaks the protocol, is a
// lost device: Read, Write, InputQueued and FlushPending answer EIO. A closed device
// reconnects on the next Open.
//
// Not thread-safe (see line_device.h): the dispatcher's device lock serialises calls.

#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/dispatch/line_device.h"
#include "serial/linux/network_address.h"
#include "serial/linux/telnet_com_port.h"

namespace norvane::serial {

class TNetworkDevice final : public TLineDevice {
  public:
    static constexpr std::chrono::milliseconds kReplyWait{1000};
    static constexpr std::chrono::milliseconds kNegotiationWait{5000};
    static constexpr std::size_t kQueueCap = 64 * 1024;
    // How long a socket:// open listens for a refusal before it goes ahead.
    static constexpr std::chrono::milliseconds kRefusalWait{200};

    explicit TNetworkDevice(std::chrono::milliseconds connectTimeout = kOpenConnectTimeout)
        : ConnectTimeout_(connectTimeout) {}
    ~TNetworkDevice() override { Close(); }

    // Connects within the connect time-out and, for rfc2217://, negotiates the com port
    // option. -EINVAL for a malformed name, -EHOSTUNREACH for any failure to connect
    // (OpenFailureCode says which), -ECANCELED when the user asked to stop, -EPROTO,
    // -ECONNRESET or -ETIMEDOUT when the server refused, closed or stayed silent
    // (FailureText says how).
    int Open(const std::string& name) override;
    std::int32_t OpenFailureCode(int result) const override;
    std::string FailureText() const override { return FailureText_; }
    int Close() override;
    bool IsOpen() const override { return Fd_ >= 0; }
    int Fd() const override { return Fd_; }

    int Read(void* buffer, int count) override;
    int Write(const void* bytes, int count) override;
    int FlushPending() override;
    bool HangUpReported() override;

    int InputQueued() override;
    int OutputQueued() override;
    int DiscardInput() override;
    int DiscardOutput() override;

    std::uint8_t ModemStatus() override;
    int SetDtr(bool on) override;
    int SetRts(bool on) override;
    std::uint32_t TakeLineErrors() override;
    int SetRs485(bool) override { return -ENOTTY; }

    int ReadSettings(TDeviceControlBlock& dcb) override;
    int ApplySettings(const TDeviceControlBlock& dcb, bool awaitReplies) override;

  private:
    using TClock = std::chrono::steady_clock;

    int SendCommand(std::uint8_t command, std::span<const std::uint8_t> value);
    int SendOutgoing();
    int FlushUntil(TClock::time_point deadline);
    int ReceiveRaw(std::uint8_t* buffer, int count, std::vector<std::uint8_t>& data);
    // Waits for something to read and keeps the data in PendingInput_. 1 when something
    // came, 0 at the deadline, else a negative result code with FailureText_ set.
    int ReceiveWhileWaiting(TClock::time_point deadline);
    int AwaitComPortOption();
    int AwaitImmediateRefusal(std::chrono::nanoseconds connectTime);
    int AwaitReplies();
    // Takes the confirmations that came: 0, or a contradiction's code with FailureText_ set.
    int TakeConfirmations();
    // Records what the server did (unless a cause is recorded already); returns -EIO, the
    // lost device's answer.
    int Fault(std::string text);
    // A socket call's errno as this device answers it: -EIO once the connection is gone.
    int SocketError(int err);
    // The connection ended while we waited for the server: keeps what it said last as the
    // cause and returns ECONNRESET's result code.
    int ServerGone();
    // Records that the user asked to stop; returns ECANCELED's result code.
    int Interrupted();

    std::chrono::milliseconds ConnectTimeout_;
    std::string Name_;
    int Fd_ = -1;
    std::unique_ptr<TTelnetComPort> Telnet_;
    std::vector<std::uint8_t> PendingInput_;  // data received while awaiting replies
    std::optional<TDeviceControlBlock> Applied_;
    // Line settings sent and not yet confirmed, with the result code of a contradiction.
    struct TAwaitedReply {
        std::uint8_t Command;
        std::vector<std::uint8_t> Value;
        std::int32_t Mismatch;
    };
    std::vector<TAwaitedReply> Awaited_;
    std::chrono::milliseconds RoundTrip_{0};  // of the com port negotiation
    std::int32_t OpenResult_ = 0;             // the code for the last failed Open
    std::string FailureText_;
};

}  // namespace norvane::serial
