#pragma once
// One open serial device on Linux: the descriptor, its lock, and the few kernel calls the
// dispatcher makes on it. Every function returns 0 (or a count) on success and -errno on
// failure, never throws, and may be called from any thread; the dispatcher decides which
// thread does what.
//
// Keeping two programs apart: TIOCEXCL makes further opens of the device fail with EBUSY,
// but root is exempt from it, so an exclusive flock() on the descriptor is taken as well;
// a second opener that cannot get the lock is refused with EBUSY too. Programs that take
// neither are kept apart as port_claim.h says: a device another process holds is refused
// before it is opened, and the device's UUCP lock file is ours from Open to Close.
//
// Devices without modem lines or error counters (pseudo-terminals, some USB gadgets) answer
// those ioctls with ENOTTY or EINVAL; that means "not supported here", and the functions
// below then report no lines and no errors instead of failing.

#include <cstdint>
#include <string>

#include "serial/dispatch/line_device.h"
#include "serial/dispatch/line_status_bits.h"
#include "serial/linux/posix_termios.h"
#include "serial/linux/uucp_lock.h"

namespace norvane::serial {

class TPosixSerialDevice : public TLineDevice {
  public:
    TPosixSerialDevice() = default;
    ~TPosixSerialDevice() override { Close(); }
    TPosixSerialDevice(const TPosixSerialDevice&) = delete;
    TPosixSerialDevice& operator=(const TPosixSerialDevice&) = delete;

    // Opens path non-blocking, locks it against other programs, remembers its settings for
    // Close() and makes the line raw. On failure nothing stays open. EBUSY means another
    // program holds the device; FailureText() then says who, where it is known.
    int Open(const std::string& path) override;

    // Restores the settings found at Open(), unlocks, closes and removes the lock file.
    // Safe to call twice.
    int Close() override;

    std::string FailureText() const override { return FailureText_; }
    bool IsOpen() const override { return Fd_ >= 0; }
    int Fd() const override { return Fd_; }
    const std::string& Path() const { return Path_; }

    // Up to `count` bytes of what is queued now; 0 when nothing is. A hung-up device reads
    // 0 after poll() reported it readable: the caller tells the two apart.
    int Read(void* buffer, int count) override;
    // As much of `count` bytes as the device takes now (possibly 0 when its queue is full).
    int Write(const void* bytes, int count) override;
    // Whether the device reports a hang-up or an error condition (poll's POLLHUP or
    // POLLERR) right now, without waiting: how a 0-byte read is told apart from an empty
    // queue.
    bool HangUpReported() override;

    int InputQueued() override;   // bytes waiting to be read
    int OutputQueued() override;  // bytes the kernel has not yet sent
    int DiscardInput() override;
    int DiscardOutput() override;

    // CTS, DSR, RI and DCD in the high nibble (kModem*); 0 without modem lines.
    std::uint8_t ModemStatus() override;
    // Raises or drops DTR or RTS; succeeds quietly without modem lines.
    int SetDtr(bool on) override;
    int SetRts(bool on) override;

    // The line errors counted since the previous call, as error-word bits. A device without
    // error counters (a pseudo-terminal, some adapters) has none, and is not asked again
    // until the next open: the dispatch cycle asks at every arrival.
    std::uint32_t TakeLineErrors() override;

    // Lets the driver switch RTS around each transmission, where it can. Returns -ENOTTY
    // when the driver has no RS-485 mode.
    int SetRs485(bool on) override;

    // Through termios2 (posix_termios.h); a tty answers at once, so nothing is awaited.
    // A baud rate the driver does not take (BaudRateTaken) fails with -ecBaudRate, the
    // line as it was and FailureText naming both rates.
    int ReadSettings(TDeviceControlBlock& dcb) override;
    int ApplySettings(const TDeviceControlBlock& dcb, bool awaitReplies) override;

  private:
    int SetModemLine(int line, bool on);

    int Fd_ = -1;
    std::string Path_;
    std::string FailureText_;
    TUucpLock Lock_;
    TSavedTermios Original_;
    struct TCounters {
        int Frame = 0, Overrun = 0, Parity = 0, Break = 0, BufferOverrun = 0;
    };
    TCounters LastCounters_;
    bool HaveCounters_ = false;
    bool NoCounters_ = false;
};

}  // namespace norvane::serial
