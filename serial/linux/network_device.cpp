#include "serial/linux/network_device.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "base/visible_text.h"
#include "serial/errors/application_hooks.h"
#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/linux/interruptible_wait.h"
#include "serial/linux/posix_serial_device.h"

namespace norvane::serial {

namespace {

using TClock = std::chrono::steady_clock;
using namespace std::string_literals;

constexpr std::size_t kLongestServerWords = 200;

// Errors after which the connection carries nothing more: a lost device.
bool ConnectionGone(int err) {
    return err == EPIPE || err == ECONNRESET || err == ENOTCONN || err == ETIMEDOUT ||
           err == EHOSTUNREACH || err == ENETUNREACH || err == ECONNABORTED;
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

std::uint32_t BaudOfBytes(std::span<const std::uint8_t> value) {
    std::uint32_t baud = 0;
    for (const std::uint8_t byte : value.first(std::min<std::size_t>(value.size(), 4))) {
        baud = baud << 8 | byte;
    }
    return baud;
}

// A com port setting and its RFC 2217 value as the user reads them: "the baud rate", "9600".
const char* SettingName(std::uint8_t command) {
    switch (command) {
        case cpcSetBaudRate:
            return "the baud rate";
        case cpcSetDataSize:
            return "the data bits";
        case cpcSetParity:
            return "the parity";
        default:
            return "the stop bits";
    }
}

std::string SettingValue(std::uint8_t command, std::span<const std::uint8_t> value) {
    if (command == cpcSetBaudRate) {
        return std::to_string(BaudOfBytes(value));
    }
    const int code = value.empty() ? 0 : value[0];
    if (command == cpcSetParity) {
        static constexpr std::array<const char*, 6> kNames{"unknown", "none", "odd",
                                                           "even",    "mark", "space"};
        return code < 6 ? kNames[code] : kNames[0];
    }
    return command == cpcSetStopSize && code == 3 ? "1.5" : std::to_string(code);
}

// A busy server's refusal is a line of text before it closes: that line, made fit to show.
std::string ServerWords(const std::vector<std::uint8_t>& data) {
    std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    text.remove_prefix(std::min(text.find_first_not_of(" \t\r\n"), text.size()));
    text = text.substr(0, text.find_first_of("\r\n"));
    text = text.substr(0, text.find_last_not_of(" \t") + 1);
    return norvane::base::VisibleText(norvane::base::ShortenedText(text, kLongestServerWords));
}

}  // namespace

int TNetworkDevice::Open(const std::string& name) {
    if (IsOpen()) {
        return -EBUSY;
    }
    FailureText_.clear();
    const TPumpedWaits windowStaysAlive;
    const std::optional<TNetworkAddress> address = ParseNetworkAddress(name);
    if (!address) {
        OpenResult_ = ResultFromErrno(EINVAL);
        return -EINVAL;
    }
    const TClock::time_point start = TClock::now();
    const int fd = ConnectTcp(*address, ConnectTimeout_);
    if (fd < 0) {
        OpenResult_ = fd;
        return fd == ResultFromErrno(ECANCELED) ? -ECANCELED : -EHOSTUNREACH;
    }
    Name_ = name;
    Fd_ = fd;
    PendingInput_.clear();
    Applied_.reset();
    int opened = 0;
    if (address->Protocol == TNetworkProtocol::Rfc2217) {
        Telnet_ = std::make_unique<TTelnetComPort>();
        opened = AwaitComPortOption();
    } else {
        opened = AwaitImmediateRefusal(TClock::now() - start);
    }
    if (opened < 0) {
        OpenResult_ = opened;
        Close();
        return -(HostErrnoOf(opened).value_or(EPROTO));
    }
    return 0;
}

// A raw port has no negotiation that could carry a refusal: a busy ser2net writes a line
// and closes as soon as it accepts. Waiting a little longer than a round trip (the connect
// took one) tells that apart from a server that waits for us, and keeps anything the
// server sent unasked for Read. 0, or a negative result code with FailureText_ set.
int TNetworkDevice::AwaitImmediateRefusal(std::chrono::nanoseconds connectTime) {
    const TClock::time_point deadline =
        TClock::now() + std::max<std::chrono::nanoseconds>(kRefusalWait, 2 * connectTime);
    for (;;) {
        if (const int received = ReceiveWhileWaiting(deadline); received <= 0) {
            return received;
        }
    }
}

std::int32_t TNetworkDevice::OpenFailureCode(int result) const {
    return result == -EBUSY ? ResultFromErrno(EBUSY) : OpenResult_;
}

int TNetworkDevice::Close() {
    if (!IsOpen()) {
        return 0;
    }
    const int closed = ::close(Fd_);
    Fd_ = -1;
    Telnet_.reset();
    PendingInput_.clear();
    Awaited_.clear();
    return closed == 0 ? 0 : -errno;
}

int TNetworkDevice::SocketError(int err) {
    if (err == ETIMEDOUT) {
        // The one way a server that stopped reading shows, as well as a network gone.
        return Fault("the server has acknowledged nothing for " +
                     std::to_string(kUnacknowledgedLimit.count() / 1000) +
                     " s: it does not read what it is sent, or the network is down");
    }
    return ConnectionGone(err) ? -EIO : -err;
}

int TNetworkDevice::ServerGone() {
    // What it said before it went is still queued: read it, within bounds.
    std::array<std::uint8_t, 4096> buffer{};
    while (PendingInput_.size() <= kQueueCap &&
           ReceiveRaw(buffer.data(), static_cast<int>(buffer.size()), PendingInput_) > 0) {
    }
    if (FailureText_.empty()) {
        FailureText_ = PendingInput_.empty() ? "the server closed the connection"
                                             : "the server said: " + ServerWords(PendingInput_);
    }
    return ResultFromErrno(ECONNRESET);
}

int TNetworkDevice::Fault(std::string text) {
    if (FailureText_.empty()) {
        FailureText_ = std::move(text);  // the first fault is the cause; the rest follow it
    }
    return -EIO;
}

// Reads at most `count` raw bytes and appends the data among them to `data`. Returns the
// raw count (0 when nothing was queued) or -errno; a closed connection, or a stream that
// broke the protocol, is -EIO.
int TNetworkDevice::ReceiveRaw(std::uint8_t* buffer, int count, std::vector<std::uint8_t>& data) {
    const ssize_t n = ::recv(Fd_, buffer, static_cast<std::size_t>(count), MSG_DONTWAIT);
    if (n < 0) {
        return errno == EAGAIN || errno == EINTR ? 0 : SocketError(errno);
    }
    if (n == 0) {
        return count > 0 ? -EIO : 0;
    }
    // A server that writes a reply in pieces without TCP_NODELAY (sredird, pyserial's
    // server) sends each piece after the first only once the one before is acknowledged:
    // our kernel's delayed acknowledgement would cost up to 40 ms a reply. Quick mode
    // lapses by itself, so it is renewed at each arrival.
    const int quick = 1;
    ::setsockopt(Fd_, IPPROTO_TCP, TCP_QUICKACK, &quick, sizeof quick);
    if (!Telnet_) {
        data.insert(data.end(), buffer, buffer + n);
        return static_cast<int>(n);
    }
    if (!Telnet_->Receive({buffer, static_cast<std::size_t>(n)}, data)) {
        return Fault("the server " + Telnet_->ProtocolError());
    }
    if (const int sent = SendOutgoing(); sent < 0) {
        return sent;
    }
    return static_cast<int>(n);
}

int TNetworkDevice::Read(void* buffer, int count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (PendingInput_.empty()) {
        const int raw = ReceiveRaw(out, count, PendingInput_);
        if (raw < 0) {
            return raw;
        }
        // Settings confirmed after the open's wait: a contradiction now ends the transfer.
        if (Telnet_ && TakeConfirmations() < 0) {
            return -EIO;  // the line no longer speaks as the instrument does
        }
    }
    // Whatever a server makes of its bytes, no more than `count` go to the caller; the
    // rest waits for the next Read.
    const auto taken = std::min<std::size_t>(PendingInput_.size(), static_cast<std::size_t>(count));
    std::copy_n(PendingInput_.begin(), taken, out);
    PendingInput_.erase(PendingInput_.begin(), PendingInput_.begin() + static_cast<long>(taken));
    return static_cast<int>(taken);
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
            return SocketError(errno);
        }
        sent += static_cast<std::size_t>(n);
    }
    outgoing.erase(outgoing.begin(), outgoing.begin() + static_cast<long>(sent));
    // Answers pile up only when the server asks and asks but never reads them.
    if (outgoing.size() > kQueueCap) {
        return Fault("the server does not read what it is sent");
    }
    return outgoing.empty() ? 0 : 1;
}

int TNetworkDevice::FlushUntil(TClock::time_point deadline) {
    for (;;) {
        const int pending = SendOutgoing();
        if (pending <= 0) {
            return pending;
        }
        if (const int ready = WaitForEvents(Fd_, POLLOUT, deadline); ready <= 0) {
            return ready == 0 ? -ETIMEDOUT : ready;
        }
    }
}

int TNetworkDevice::Interrupted() {
    FailureText_ = "cancelled while waiting for the server";
    return ResultFromErrno(ECANCELED);
}

int TNetworkDevice::ReceiveWhileWaiting(TClock::time_point deadline) {
    const int ready = WaitForEvents(Fd_, POLLIN, deadline);
    if (ready == -ECANCELED) {
        return Interrupted();
    }
    if (ready <= 0) {
        return ready == 0 ? 0 : ResultFromErrno(-ready);
    }
    std::array<std::uint8_t, 4096> buffer{};
    const int raw = ReceiveRaw(buffer.data(), static_cast<int>(buffer.size()), PendingInput_);
    if (raw == -EIO && FailureText_.empty()) {
        // Closed while we set the line up: ser2net does that to a second client of a port
        // in use, after a line saying why.
        return ServerGone();
    }
    if (raw < 0) {
        return FailureText_.empty() ? ResultFromErrno(-raw) : ResultFromErrno(EPROTO);
    }
    if (PendingInput_.size() > kQueueCap) {
        FailureText_ = "the server sent more than " + std::to_string(kQueueCap / 1024) +
                       " KiB before confirming the line settings";
        return ResultFromErrno(EPROTO);
    }
    return 1;
}

// Offers the com port option and waits for the server's answer. 0 once accepted, else a
// negative result code with FailureText_ set.
int TNetworkDevice::AwaitComPortOption() {
    const TClock::time_point start = TClock::now();
    const TClock::time_point deadline = start + kNegotiationWait;
    if (const int sent = FlushUntil(deadline); sent < 0) {
        return sent == -ECANCELED ? Interrupted()
               : sent == -EIO     ? ServerGone()
                                  : ResultFromErrno(-sent);
    }
    const std::string rawPort =
        "; for a raw TCP port use socket://" + Name_.substr(Name_.find("://") + 3);
    for (;;) {
        switch (Telnet_->ComPortAnswer()) {
            case TComPortAnswer::Accepted:
                RoundTrip_ =
                    std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start);
                return 0;
            case TComPortAnswer::Refused:
                FailureText_ = "the server does not offer RFC 2217 serial control" + rawPort;
                return ResultFromErrno(EPROTO);
            case TComPortAnswer::Awaited:
                break;
        }
        const int received = ReceiveWhileWaiting(deadline);
        if (received < 0) {
            return received;
        }
        if (received == 0) {
            FailureText_ =
                "the server did not answer the offer of RFC 2217 serial control within " +
                std::to_string(kNegotiationWait.count() / 1000) + " s" + rawPort;
            return ResultFromErrno(ETIMEDOUT);
        }
    }
}

int TNetworkDevice::Write(const void* bytes, int count) {
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    if (!Telnet_) {
        const ssize_t n =
            ::send(Fd_, data, static_cast<std::size_t>(count), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) {
            return errno == EAGAIN || errno == EINTR ? 0 : SocketError(errno);
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
        return SocketError(errno);
    }
    if (queued == 0 && PendingInput_.empty() && PeerClosed(Fd_)) {
        return -EIO;  // else the dispatch thread would be told of an arrival forever
    }
    return queued + static_cast<int>(PendingInput_.size());
}

// Only what we hold ourselves. What the kernel holds is on its way, in order with any
// command after it, and a server that stops acknowledging (a full window) would otherwise
// hold whoever waits for the output to drain, a line change at open among them.
int TNetworkDevice::OutputQueued() {
    return Telnet_ ? static_cast<int>(Telnet_->Outgoing().size()) : 0;
}

int TNetworkDevice::DiscardInput() {
    PendingInput_.clear();
    // Only what has arrived by now: a server that keeps sending must not keep us here.
    int queued = 0;
    if (::ioctl(Fd_, FIONREAD, &queued) != 0) {
        return SocketError(errno);
    }
    std::array<std::uint8_t, 4096> buffer{};
    std::vector<std::uint8_t> dropped;
    while (queued > 0) {
        dropped.clear();
        const int raw =
            ReceiveRaw(buffer.data(), std::min(queued, static_cast<int>(buffer.size())), dropped);
        if (raw <= 0) {
            if (raw < 0) {
                return raw;
            }
            break;
        }
        queued -= raw;
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
    // Behind a backlog the server has not taken for a whole wait, another wait is no use.
    const bool backlog = !Telnet_->Outgoing().empty();
    Telnet_->SendCommand(command, value);
    const int sent = backlog ? SendOutgoing() : FlushUntil(TClock::now() + kReplyWait);
    // Left queued, the output thread sends it on.
    return sent == -ETIMEDOUT || sent == -ECANCELED || sent == 1 ? 0 : sent;
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
    FailureText_.clear();
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
    Awaited_ = {
        {cpcSetBaudRate, {baud.begin(), baud.end()}, -ecBaudRate},
        {cpcSetDataSize, {size}, -ecByteSize},
        {cpcSetParity, {parity}, -ecDefault},
        {cpcSetStopSize, {stop}, -ecDefault},
    };
    if (const int sent = SendCommand(cpcSetControl, {&flow, 1}); sent < 0) {
        // ser2net refuses a second client with a line of text and a reset, which the
        // settings may run into before anything reads the line.
        return awaitReplies && sent == -EIO ? ServerGone() : ResultFromErrno(-sent);
    }
    Applied_ = dcb;
    if (!awaitReplies) {
        return 0;
    }
    const TPumpedWaits windowStaysAlive;  // nothing else reads the port yet
    if (const int confirmed = AwaitReplies(); confirmed < 0) {
        return confirmed;
    }
    // A few bytes of commands still unsent after a whole wait: the server is not reading
    // (its kernel's buffer is full), and the transfer would only stall later.
    if (const int pending = SendOutgoing(); pending != 0) {
        return pending < 0
                   ? ServerGone()
                   : (Fault("the server does not read what it is sent"), ResultFromErrno(EPROTO));
    }
    return 0;
}

// Reads the connection until the four line settings are confirmed or the wait is over,
// keeping any data for Read. Returns 0 or a result code. Confirmations still missing then
// are checked as they come (TakeConfirmations from Read): a slow link's refusal ends the
// transfer later rather than never.
int TNetworkDevice::AwaitReplies() {
    const TClock::time_point deadline = TClock::now() + std::max(kReplyWait, 3 * RoundTrip_);
    for (;;) {
        if (const int contradicted = TakeConfirmations(); contradicted < 0) {
            return contradicted;
        }
        if (Awaited_.empty()) {
            return 0;
        }
        const int received = ReceiveWhileWaiting(deadline);
        if (received < 0) {
            return received;
        }
        if (received == 0) {
            return 0;  // silence is no refusal
        }
    }
}

// A confirmation of another value than asked is a setting the server could not make, which
// the instrument would not understand. The baud rate is compared on its four bytes alone:
// sredird sends four zero bytes after them.
int TNetworkDevice::TakeConfirmations() {
    for (auto wanted = Awaited_.begin(); wanted != Awaited_.end();) {
        const std::optional<std::vector<std::uint8_t>> reply = Telnet_->TakeReply(wanted->Command);
        if (!reply) {
            ++wanted;
            continue;
        }
        if (reply->size() < wanted->Value.size() ||
            !std::equal(wanted->Value.begin(), wanted->Value.end(), reply->begin())) {
            Fault("the server set "s + SettingName(wanted->Command) + " to " +
                  SettingValue(wanted->Command, *reply) + " instead of " +
                  SettingValue(wanted->Command, wanted->Value));
            const std::int32_t mismatch = wanted->Mismatch;
            Awaited_.clear();
            return mismatch;
        }
        wanted = Awaited_.erase(wanted);
    }
    return 0;
}

}  // namespace norvane::serial
