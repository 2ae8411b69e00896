#pragma once
// TLineDevice: the one seam between the dispatcher and the platform. The dispatcher and its
// line control reach the device only through it; the platform supplies the kinds (on Linux a
// local tty, or a TCP connection to a serial device server) and the threads that poll() Fd().
// The dispatcher calls these under its device lock (open_device.h), so an implementation
// needs no lock of its own.
//
// Every function returns 0 (or a count) on success and -errno on failure, never throws.
// EIO, ENODEV and ENXIO from Read, Write, InputQueued or FlushPending mean the device is
// gone (IsDeviceGone); other failures leave it usable.

#include <cstdint>
#include <string>

#include "serial/dispatch/device_control_block.h"

namespace norvane::serial {

class TLineDevice {
  public:
    virtual ~TLineDevice() = default;

    // Opens `name`; on failure nothing stays open. EBUSY means another program holds it.
    virtual int Open(const std::string& name) = 0;
    // The result code (errno_mapping.h, error_codes.h) for Open's failure `result`: where
    // an errno says too little the device knows more.
    virtual std::int32_t OpenFailureCode(int result) const;
    // What the last failed Open or ApplySettings ran into, in words that follow the
    // device's name and a colon ("the server said: Port already in use"), where a code
    // says too little; empty otherwise. Survives Close, cleared by the next Open.
    virtual std::string FailureText() const { return {}; }
    // Undoes Open. Safe to call twice.
    virtual int Close() = 0;
    virtual bool IsOpen() const = 0;
    // What poll() watches: readable when Read has something to do, writable when Write
    // would take bytes.
    virtual int Fd() const = 0;

    // Up to `count` received data bytes; 0 when nothing is queued (or only protocol bytes
    // came). A 0 after poll() reported the descriptor readable may mean a hang-up:
    // HangUpReported tells.
    virtual int Read(void* buffer, int count) = 0;
    // How many of `count` bytes the device took now (possibly 0 when its queue is full).
    virtual int Write(const void* bytes, int count) = 0;
    // Pushes on output that Write accepted but could not hand to the kernel yet. Returns 0
    // when none is left, 1 when some waits for the descriptor to be writable.
    virtual int FlushPending() { return 0; }
    virtual bool HangUpReported() = 0;

    virtual int InputQueued() = 0;
    virtual int OutputQueued() = 0;
    virtual int DiscardInput() = 0;
    virtual int DiscardOutput() = 0;

    // CTS, DSR, RI and DCD in the high nibble (kModem* of line_status_bits.h).
    virtual std::uint8_t ModemStatus() = 0;
    virtual int SetDtr(bool on) = 0;
    virtual int SetRts(bool on) = 0;
    // Line errors since the previous call, as error-word bits.
    virtual std::uint32_t TakeLineErrors() = 0;
    // -ENOTTY where there is no RS-485 mode.
    virtual int SetRs485(bool on) = 0;

    // The line settings in force, into the fields of `dcb` the device knows; the others
    // keep their values.
    virtual int ReadSettings(TDeviceControlBlock& dcb) = 0;
    // Puts the block's line settings into force. With awaitReplies the device may take a
    // bounded time to hear that they did (nobody else reads it then); without, it must not
    // read. Unlike the rest, returns 0 or a negative result code (errno_mapping.h,
    // error_codes.h): a setting refused is worth more words than an errno has.
    virtual int ApplySettings(const TDeviceControlBlock& dcb, bool awaitReplies) = 0;
};

// Whether a device function's failure `-err` means the device is gone: EIO after a hang-up,
// ENODEV or ENXIO once the driver has let go of the hardware.
bool IsDeviceGone(int err);

}  // namespace norvane::serial
