#pragma once
// A serial line reached through a serial device server over TCP, as a TLineDevice: the
// dispatcher's threads poll its socket as they poll a tty.
//
// socket://HOST:PORT is raw TCP: the bytes are the line's, and the line settings are the
// server's business (accepted and ignored, as a pseudo-terminal does). rfc2217://HOST:PORT
// speaks Telnet Com Port Control (telnet_com_port.h): data bytes travel escaped, line
// settings, DTR/RTS and purges go to the server as com port commands. While nobody else
// reads the connection (awaitReplies), ApplySettings waits up to kReplyWait for the server
// to confirm the baud rate, data size, parity and stop size; a confirmation of another
// value than asked fails with the matching code, a missing one is no failure (servers stay
// silent about what they cannot apply, such as modem lines on a device without them). Data
// that arrives meanwhile is kept for the next Read.
//
// A connection the server closes or resets is a lost device: Read, Write, InputQueued and
// FlushPending answer EIO. A closed device reconnects on the next Open.
//
// Not thread-safe (see line_device.h): the dispatcher's device lock serialises calls.

#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/linux/line_device.h"
#include "serial/linux/network_address.h"
#include "serial/linux/telnet_com_port.h"

namespace norvane::serial {

class TNetworkDevice final : public TLineDevice {
  public:
    static constexpr std::chrono::milliseconds kReplyWait{1000};

    explicit TNetworkDevice(std::chrono::milliseconds connectTimeout = kOpenConnectTimeout)
        : ConnectTimeout_(connectTimeout) {}
    ~TNetworkDevice() override { Close(); }

    // Connects within the connect time-out and, for rfc2217://, sends the opening
    // negotiation. -EINVAL for a malformed name, -EHOSTUNREACH for any failure to connect:
    // OpenFailureCode says which.
    int Open(const std::string& name) override;
    std::int32_t OpenFailureCode(int result) const override;
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
    bool Rfc2217() const { return Telnet_ != nullptr; }
    int SendCommand(std::uint8_t command, std::span<const std::uint8_t> value);
    int SendOutgoing();
    int FlushUntil(std::chrono::steady_clock::time_point deadline);
    int ReceiveRaw(std::uint8_t* buffer, int count, std::vector<std::uint8_t>& data);
    int AwaitReplies(const TDeviceControlBlock& dcb);

    std::chrono::milliseconds ConnectTimeout_;
    int Fd_ = -1;
    std::unique_ptr<TTelnetComPort> Telnet_;
    std::vector<std::uint8_t> PendingInput_;  // data received while awaiting replies
    std::optional<TDeviceControlBlock> Applied_;
    std::int32_t OpenResult_ = 0;  // ConnectTcp's code for the last failed Open
};

}  // namespace norvane::serial
