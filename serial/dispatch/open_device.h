#pragma once
// TOpenDevice: the line device of one port and the device lock that guards it.
//
// Every call on the device is made under the lock, so a device needs no lock of its own
// (line_device.h), and a device that is not open is never called: Call answers for it with
// the caller's value. The lock is the innermost of the dispatcher's (base_dispatcher.h) and
// is never held while waiting; the worker threads poll() the descriptor without it.
//
// Any thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "serial/dispatch/device_control_block.h"
#include "serial/dispatch/line_device.h"
#include "serial/errors/errno_mapping.h"

namespace norvane::serial {

class TOpenDevice {
  public:
    // No device until the first Open.
    TOpenDevice() = default;

    // op(device) under the lock, or `closed` without calling op while no device is open.
    template <class TResult, class TOp>
    TResult Call(TResult closed, TOp&& op) {
        std::lock_guard lock(Mutex_);
        if (!Device_ || !Device_->IsOpen()) {
            return closed;
        }
        return std::forward<TOp>(op)(*Device_);
    }
    // Call for a device function that returns 0 or -errno: 0, or the failure's result code
    // (errno_mapping.h).
    template <class TOp>
    std::int32_t CallForResult(std::int32_t closed, TOp&& op) {
        return Call(closed, [&op](TLineDevice& device) -> std::int32_t {
            const int result = std::forward<TOp>(op)(device);
            return result < 0 ? ResultFromErrno(-result) : 0;
        });
    }

    // Makes `device` this port's device and opens it as `name`. Its descriptor, or the
    // failure's result code (TLineDevice::OpenFailureCode). While a device is open it stays,
    // and the result is ResultFromErrno(EBUSY).
    std::int32_t Open(std::unique_ptr<TLineDevice> device, const std::string& name);
    // Closes the device if open. 0 or the close's result code.
    std::int32_t Close();
    // The descriptor the worker threads poll(), -1 while closed.
    int Fd() const;
    // TLineDevice::FailureText of the device last opened; kept after Close.
    std::string FailureText() const;

    // Puts the block into force (TLineDevice::ApplySettings). While the dispatcher's threads
    // read the device, the device must leave the replies to them; before, it may wait for
    // them itself. -ecCommNotOpen while closed.
    std::int32_t ApplySettings(const TDeviceControlBlock& block);
    // Whether the dispatcher's threads read the device now; false again after Open and Close.
    void SetReadByThreads(bool read) { ReadByThreads_.store(read); }

  private:
    mutable std::mutex Mutex_;
    std::unique_ptr<TLineDevice> Device_;
    std::atomic<bool> ReadByThreads_{false};
};

}  // namespace norvane::serial
