#include "serial/linux/posix_serial_device.h"

#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/linux/port_claim.h"
#include "serial/linux/port_holders.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace norvane::serial {

namespace {

// The device cannot do this at all: not a failure of the line.
bool Unsupported(int err) {
    return err == ENOTTY || err == EINVAL;
}

int Result(int value) {
    return value < 0 ? -errno : value;
}

}  // namespace

int TPosixSerialDevice::Open(const std::string& path) {
    if (IsOpen()) {
        return -EBUSY;
    }
    FailureText_.clear();
    const TPortClaimSettings& claim = PortClaimSettings();
    if (!claim.OpenHeldDevices) {
        // Before our own open: the other program must not see the line change under it.
        const TPortHolderFinder holders(claim.ProcDir, claim.LockDir);
        if (const std::optional<TPortHolder> holder = holders.Find(path)) {
            FailureText_ = InUseText(*holder);
            return -EBUSY;
        }
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -errno;
    }
    auto fail = [fd](int err) {
        ::close(fd);
        return -err;
    };
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    }
    if (::ioctl(fd, TIOCEXCL) != 0 && !Unsupported(errno)) {
        return fail(errno);
    }
    TSavedTermios original;
    if (const int saved = SaveTermios(fd, original); saved != 0) {
        return fail(-saved);
    }
    // Only informs other programs: a folder we may not write in leaves us without one.
    Lock_.Acquire(claim.LockDir, path);
    Fd_ = fd;
    Path_ = path;
    Original_ = original;
    HaveCounters_ = false;
    NoCounters_ = false;
    TakeLineErrors();  // counting starts now, not at boot
    return 0;
}

int TPosixSerialDevice::Close() {
    if (!IsOpen()) {
        return 0;
    }
    RestoreTermios(Fd_, Original_);
    ::ioctl(Fd_, TIOCNXCL);
    const int closed = ::close(Fd_);  // also releases the flock
    const int result = closed == 0 ? 0 : -errno;
    Fd_ = -1;
    Lock_.Release();
    Original_.Valid = false;
    return result;
}

int TPosixSerialDevice::Read(void* buffer, int count) {
    const ssize_t n = ::read(Fd_, buffer, static_cast<std::size_t>(count));
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return 0;
    }
    return n < 0 ? -errno : static_cast<int>(n);
}

int TPosixSerialDevice::Write(const void* bytes, int count) {
    const ssize_t n = ::write(Fd_, bytes, static_cast<std::size_t>(count));
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return 0;
    }
    return n < 0 ? -errno : static_cast<int>(n);
}

bool TPosixSerialDevice::HangUpReported() {
    pollfd device{Fd_, 0, 0};
    return ::poll(&device, 1, 0) > 0 && (device.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

int TPosixSerialDevice::InputQueued() {
    int queued = 0;
    return ::ioctl(Fd_, FIONREAD, &queued) == 0 ? queued : -errno;
}

int TPosixSerialDevice::OutputQueued() {
    int queued = 0;
    return ::ioctl(Fd_, TIOCOUTQ, &queued) == 0 ? queued : -errno;
}

int TPosixSerialDevice::DiscardInput() {
    return Result(::ioctl(Fd_, TCFLSH, TCIFLUSH));
}

int TPosixSerialDevice::DiscardOutput() {
    return Result(::ioctl(Fd_, TCFLSH, TCOFLUSH));
}

std::uint8_t TPosixSerialDevice::ModemStatus() {
    int lines = 0;
    if (::ioctl(Fd_, TIOCMGET, &lines) != 0) {
        return 0;
    }
    std::uint8_t status = 0;
    status |= (lines & TIOCM_CTS) ? kModemCts : 0;
    status |= (lines & TIOCM_DSR) ? kModemDsr : 0;
    status |= (lines & TIOCM_RI) ? kModemRing : 0;
    status |= (lines & TIOCM_CD) ? kModemDcd : 0;
    return status;
}

int TPosixSerialDevice::SetModemLine(int line, bool on) {
    if (::ioctl(Fd_, on ? TIOCMBIS : TIOCMBIC, &line) == 0 || Unsupported(errno)) {
        return 0;
    }
    return -errno;
}

int TPosixSerialDevice::SetDtr(bool on) {
    return SetModemLine(TIOCM_DTR, on);
}

int TPosixSerialDevice::SetRts(bool on) {
    return SetModemLine(TIOCM_RTS, on);
}

std::uint32_t TPosixSerialDevice::TakeLineErrors() {
    serial_icounter_struct now{};
    if (NoCounters_) {
        return 0;
    }
    if (::ioctl(Fd_, TIOCGICOUNT, &now) != 0) {
        NoCounters_ = Unsupported(errno);
        return 0;
    }
    const TCounters current{now.frame, now.overrun, now.parity, now.brk, now.buf_overrun};
    const TCounters before = HaveCounters_ ? LastCounters_ : current;
    LastCounters_ = current;
    HaveCounters_ = true;
    std::uint32_t errors = 0;
    errors |= current.BufferOverrun != before.BufferOverrun ? kLineErrorQueueOverflow : 0;
    errors |= current.Overrun != before.Overrun ? kLineErrorOverrun : 0;
    errors |= current.Parity != before.Parity ? kLineErrorParity : 0;
    errors |= current.Frame != before.Frame ? kLineErrorFraming : 0;
    errors |= current.Break != before.Break ? kLineErrorBreak : 0;
    return errors;
}

int TPosixSerialDevice::SetRs485(bool on) {
    serial_rs485 rs485{};
    if (::ioctl(Fd_, TIOCGRS485, &rs485) != 0) {
        return -errno;
    }
    rs485.flags = on ? (rs485.flags | SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND)
                     : (rs485.flags & ~SER_RS485_ENABLED);
    return Result(::ioctl(Fd_, TIOCSRS485, &rs485));
}

int TPosixSerialDevice::ReadSettings(TDeviceControlBlock& dcb) {
    return ReadControlBlock(Fd_, dcb);
}

int TPosixSerialDevice::ApplySettings(const TDeviceControlBlock& dcb, bool) {
    FailureText_.clear();
    TSavedTermios before;
    if (const int saved = SaveTermios(Fd_, before); saved != 0) {
        return ResultFromErrno(-saved);
    }
    std::uint32_t inForce = 0;
    if (const int written = WriteControlBlock(Fd_, dcb, inForce); written != 0) {
        return ResultFromErrno(-written);
    }
    // A rate the hardware cannot make is not refused but quietly replaced: the transfer
    // would run on at the wrong speed and end in "no connection". The line keeps what it
    // had, so that a refused change leaves it working.
    const std::uint32_t asked = TranslateCodedBaud(dcb.BaudRate);
    if (!BaudRateTaken(asked, inForce)) {
        RestoreTermios(Fd_, before);
        FailureText_ = "the driver cannot run the line at " + std::to_string(asked) +
                       " baud (it set " + std::to_string(inForce) + ")";
        return -ecBaudRate;
    }
    return 0;
}

}  // namespace norvane::serial
