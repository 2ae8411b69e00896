#include "serial/linux/network_device.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/linux/posix_serial_device.h"

namespace norvane::serial {

namespace {

using TClock = std::chrono::steady_clock;

// Errors after which the connection carries nothing more: a lost device.
bool ConnectionGone(int err) {
    return err == EPIPE || err == ECONNRESET || err == ENOTCONN || err == ETIMEDOUT ||
           err == EHOSTUNREACH || err == ENETUNREACH || err == ECONNABORTED;
}

int LossAware(int err) {
    return ConnectionGone(err) ? -EIO : -err;
}

int MillisecondsLeft(TClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// Readable with nothing to read, or hung up: the server has closed the connection.
bool PeerClosed(int fd) {
    pollfd socket{fd, POLLIN | POLLRDHUP, 0};
    if (::poll(&socket, 1, 0) <= 0) {
        return false;
    }
    if ((socket.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
        return true;
    }
    int queued = 0;
    return (socket.revents & POLLIN) != 0 && ::ioctl(fd, FIONREAD, &queued) == 0 && queued == 0;
}

// RFC 2217's parity and stop-size codes from the control block's.
std::uint8_t ParityCode(std::uint8_t parity) {
    return parity <= pcSpace ? static_cast<std::uint8_t>(parity + 1) : 1;
}

std::uint8_t StopSizeCode(std::uint8_t stopBits) {
    switch (stopBits) {
        case TWOSTOPBITS:
            return 2;
        case ONE5STOPBITS:
            return 3;
        default:
            return 1;
    }
}

std::uint8_t FlowCode(const TDeviceControlBlock& dcb) {
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) {
        return kControlHardwareFlow;
    }
    return dcb.fOutX ? kControlXonXoff : kControlNoFlow;
}

std::array<std::uint8_t, 4> BaudBytes(std::uint32_t baud) {
    return {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
            static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
}

}  // namespace

int TNetworkDevice::Open(const std::string& name) {
    if (IsOpen()) {
        return -EBUSY;
    }
    const std::optional<TNetworkAddress> address = ParseNetworkAddress(name);
    if (!address) {
        OpenResult_ = ResultFromErrno(EINVAL);
        return -EINVAL;
    }
    const int fd = ConnectTcp(*address, ConnectTimeout_);
    if (fd < 0) {
        OpenResult_ = fd;
        return -EHOSTUNREACH;
    }
    Fd_ = fd;
    PendingInput_.clear();
    Applied_.reset();
    if (address->Protocol == TNetworkProtocol::Rfc2217) {
        Telnet_ = std::make_unique<TTelnetComPort>();
        if (const int sent = FlushUntil(TClock::now() + kReplyWait); sent < 0) {
            OpenResult_ = ResultFromErrno(-sent);
            Close();
            return sent;
        }
    }
    return 0;
}

std::int32_t TNetworkDevice::OpenFailureCode(int result) const {
    return result == -EINVAL || result == -EHOSTUNREACH ? OpenResult_ : ResultFromErrno(-result);
}

int TNetworkDevice::Close() {
    if (!IsOpen()) {
        return 0;
    }
    const int closed = ::close(Fd_);
    Fd_ = -1;
    Telnet_.reset();
    PendingInput_.clear();
    return closed == 0 ? 0 : -errno;
}

// Reads at most `count` raw bytes and appends the data among them to `data`. Returns the
// raw count (0 when nothing was queued) or -errno; a closed connection is -EIO.
int TNetworkDevice::ReceiveRaw(std::uint8_t* buffer, int count, std::vector<std::uint8_t>& data) {
    const ssize_t n = ::recv(Fd_, buffer, static_cast<std::size_t>(count), MSG_DONTWAIT);
    if (n < 0) {
        return errno == EAGAIN || errno == EINTR ? 0 : LossAware(errno);
    }
    if (n == 0) {
        return count > 0 ? -EIO : 0;
    }
    if (!Telnet_) {
        data.insert(data.end(), buffer, buffer + n);
        return static_cast<int>(n);
    }
    if (!Telnet_->Receive({buffer, static_cast<std::size_t>(n)}, data)) {
        return -EIO;  // a stream we cannot follow any more is as good as gone
    }
    if (const int sent = SendOutgoing(); sent < 0) {
        return sent;
    }
    return static_cast<int>(n);
}

int TNetworkDevice::Read(void* buffer, int count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (!PendingInput_.empty()) {
        const auto taken =
            std::min<std::size_t>(PendingInput_.size(), static_cast<std::size_t>(count));
        std::copy_n(PendingInput_.begin(), taken, out);
        PendingInput_.erase(PendingInput_.begin(),
                            PendingInput_.begin() + static_cast<long>(taken));
        return static_cast<int>(taken);
    }
    // Telnet decoding only ever shrinks the stream, so `count` raw bytes fit the buffer.
    std::vector<std::uint8_t> data;
    const int raw = ReceiveRaw(out, count, data);
    if (raw < 0) {
        return raw;
    }
    if (Telnet_) {
        std::copy(data.begin(), data.end(), out);
    }
    return static_cast<int>(data.size());
}

int TNetworkDevice::SendOutgoing() {
    std::vector<std::uint8_t>& outgoing = Telnet_->Outgoing();
    std::size_t sent = 0;
    while (sent < outgoing.size()) {
        const ssize_t n = ::send(Fd_, outgoing.data() + sent, outgoing.size() - sent,
                                 MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN) {
                break;
            }
            return LossAware(errno);
        }
        sent += static_cast<std::size_t>(n);
    }
    outgoing.erase(outgoing.begin(), outgoing.begin() + static_cast<long>(sent));
    return outgoing.empty() ? 0 : 1;
}

int TNetworkDevice::FlushUntil(TClock::time_point deadline) {
    for (;;) {
        const int pending = SendOutgoing();
        if (pending <= 0) {
            return pending;
        }
        pollfd socket{Fd_, POLLOUT, 0};
        if (::poll(&socket, 1, MillisecondsLeft(deadline)) == 0) {
            return -ETIMEDOUT;
        }
    }
}

int TNetworkDevice::Write(const void* bytes, int count) {
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    if (!Telnet_) {
        const ssize_t n =
            ::send(Fd_, data, static_cast<std::size_t>(count), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) {
            return errno == EAGAIN || errno == EINTR ? 0 : LossAware(errno);
        }
        return static_cast<int>(n);
    }
    // Escaped output that did not fit stays queued here; FlushPending sends it on, and no
    // new data goes after it until it has.
    if (const int pending = SendOutgoing(); pending != 0) {
        return std::min(pending, 0);
    }
    Telnet_->SendData({data, static_cast<std::size_t>(count)});
    const int pending = SendOutgoing();
    return pending < 0 ? pending : count;
}

int TNetworkDevice::FlushPending() {
    return Telnet_ ? SendOutgoing() : 0;
}

bool TNetworkDevice::HangUpReported() {
    return PeerClosed(Fd_);
}

int TNetworkDevice::InputQueued() {
    int queued = 0;
    if (::ioctl(Fd_, FIONREAD, &queued) != 0) {
        return LossAware(errno);
    }
    if (queued == 0 && PendingInput_.empty() && PeerClosed(Fd_)) {
        return -EIO;  // else the com thread would be told of an arrival forever
    }
    return queued + static_cast<int>(PendingInput_.size());
}

int TNetworkDevice::OutputQueued() {
    int queued = 0;
    if (::ioctl(Fd_, TIOCOUTQ, &queued) != 0) {
        return -errno;
    }
    return queued + (Telnet_ ? static_cast<int>(Telnet_->Outgoing().size()) : 0);
}

int TNetworkDevice::DiscardInput() {
    PendingInput_.clear();
    std::array<std::uint8_t, 512> buffer{};
    std::vector<std::uint8_t> dropped;
    int raw = 0;
    do {
        dropped.clear();
        raw = ReceiveRaw(buffer.data(), static_cast<int>(buffer.size()), dropped);
    } while (raw > 0);
    if (raw < 0) {
        return raw;
    }
    const std::uint8_t which = kPurgeReceive;
    return Telnet_ ? SendCommand(cpcPurgeData, {&which, 1}) : 0;
}

int TNetworkDevice::DiscardOutput() {
    // What the kernel holds for the socket cannot be called back; the server can drop its
    // own queue.
    const std::uint8_t which = kPurgeTransmit;
    return Telnet_ ? SendCommand(cpcPurgeData, {&which, 1}) : 0;
}

std::uint8_t TNetworkDevice::ModemStatus() {
    return Telnet_ ? Telnet_->ModemState() : 0;
}

int TNetworkDevice::SetDtr(bool on) {
    const std::uint8_t value = on ? kControlDtrOn : kControlDtrOff;
    return Telnet_ ? SendCommand(cpcSetControl, {&value, 1}) : 0;
}

int TNetworkDevice::SetRts(bool on) {
    const std::uint8_t value = on ? kControlRtsOn : kControlRtsOff;
    return Telnet_ ? SendCommand(cpcSetControl, {&value, 1}) : 0;
}

std::uint32_t TNetworkDevice::TakeLineErrors() {
    if (!Telnet_) {
        return 0;
    }
    const std::uint8_t state = Telnet_->TakeLineState();
    std::uint32_t errors = 0;
    errors |= (state & 0x02) != 0 ? kLineErrorOverrun : 0;
    errors |= (state & 0x04) != 0 ? kLineErrorParity : 0;
    errors |= (state & 0x08) != 0 ? kLineErrorFraming : 0;
    errors |= (state & 0x10) != 0 ? kLineErrorBreak : 0;
    return errors;
}

// Control messages are short and rare: they go out whole, waiting briefly for room.
int TNetworkDevice::SendCommand(std::uint8_t command, std::span<const std::uint8_t> value) {
    Telnet_->SendCommand(command, value);
    const int sent = FlushUntil(TClock::now() + kReplyWait);
    return sent == -ETIMEDOUT ? 0 : sent;  // left queued; the output thread sends it on
}

int TNetworkDevice::ReadSettings(TDeviceControlBlock& dcb) {
    if (Applied_) {
        dcb.BaudRate = Applied_->BaudRate;
        dcb.ByteSize = Applied_->ByteSize;
        dcb.Parity = Applied_->Parity;
        dcb.StopBits = Applied_->StopBits;
    }
    return 0;
}

int TNetworkDevice::ApplySettings(const TDeviceControlBlock& dcb, bool awaitReplies) {
    if (!Telnet_) {
        Applied_ = dcb;
        return 0;
    }
    const std::array<std::uint8_t, 4> baud = BaudBytes(dcb.BaudRate);
    const std::uint8_t size = dcb.ByteSize;
    const std::uint8_t parity = ParityCode(dcb.Parity);
    const std::uint8_t stop = StopSizeCode(dcb.StopBits);
    const std::uint8_t flow = FlowCode(dcb);
    for (const std::uint8_t command :
         {cpcSetBaudRate, cpcSetDataSize, cpcSetParity, cpcSetStopSize}) {
        Telnet_->ForgetReply(command);
    }
    Telnet_->SendCommand(cpcSetBaudRate, baud);
    Telnet_->SendCommand(cpcSetDataSize, {&size, 1});
    Telnet_->SendCommand(cpcSetParity, {&parity, 1});
    Telnet_->SendCommand(cpcSetStopSize, {&stop, 1});
    if (const int sent = SendCommand(cpcSetControl, {&flow, 1}); sent < 0) {
        return ResultFromErrno(-sent);
    }
    Applied_ = dcb;
    return awaitReplies ? AwaitReplies(dcb) : 0;
}

// Reads the connection until the four line settings are confirmed or kReplyWait is over,
// keeping any data for Read. Returns 0 or a result code. A confirmation of another value than asked
// is a setting the server could not make, which the instrument would not understand.
int TNetworkDevice::AwaitReplies(const TDeviceControlBlock& dcb) {
    struct TExpected {
        std::uint8_t Command;
        std::vector<std::uint8_t> Value;
        std::int32_t Mismatch;
        bool Confirmed = false;
    };
    const std::array<std::uint8_t, 4> baud = BaudBytes(dcb.BaudRate);
    std::array<TExpected, 4> expected{{
        {cpcSetBaudRate, {baud.begin(), baud.end()}, -ecBaudRate},
        {cpcSetDataSize, {dcb.ByteSize}, -ecByteSize},
        {cpcSetParity, {ParityCode(dcb.Parity)}, -ecDefault},
        {cpcSetStopSize, {StopSizeCode(dcb.StopBits)}, -ecDefault},
    }};
    const TClock::time_point deadline = TClock::now() + kReplyWait;
    std::array<std::uint8_t, 512> buffer{};
    for (;;) {
        bool all = true;
        for (TExpected& wanted : expected) {
            if (const auto reply = Telnet_->TakeReply(wanted.Command)) {
                if (*reply != wanted.Value) {
                    return wanted.Mismatch;
                }
                wanted.Confirmed = true;
            }
            all = all && wanted.Confirmed;
        }
        if (all) {
            return 0;
        }
        pollfd socket{Fd_, POLLIN, 0};
        const int ready = ::poll(&socket, 1, MillisecondsLeft(deadline));
        if (ready == 0) {
            return 0;  // silence is no refusal
        }
        if (ready < 0 && errno != EINTR) {
            return ResultFromErrno(errno);
        }
        if (const int raw =
                ReceiveRaw(buffer.data(), static_cast<int>(buffer.size()), PendingInput_);
            raw < 0) {
            // Closed while we set the line up: ser2net does that to a second client of a
            // port in use. "Connection reset" says more than an input/output error.
            return ResultFromErrno(raw == -EIO ? ECONNRESET : -raw);
        }
    }
}

}  // namespace norvane::serial
