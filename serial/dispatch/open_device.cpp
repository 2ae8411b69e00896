#include "serial/dispatch/open_device.h"

#include <cerrno>
#include <utility>

#include "serial/errors/error_codes.h"

namespace norvane::serial {

std::int32_t TOpenDevice::Open(std::unique_ptr<TLineDevice> device, const std::string& name) {
    std::lock_guard lock(Mutex_);
    if (Device_ && Device_->IsOpen()) {
        return ResultFromErrno(EBUSY);
    }
    Device_ = std::move(device);
    ReadByThreads_.store(false);
    if (const int opened = Device_->Open(name); opened < 0) {
        return Device_->OpenFailureCode(opened);
    }
    return Device_->Fd();
}

std::int32_t TOpenDevice::Close() {
    std::lock_guard lock(Mutex_);
    ReadByThreads_.store(false);
    const int closed = Device_ ? Device_->Close() : 0;
    return closed < 0 ? ResultFromErrno(-closed) : 0;
}

int TOpenDevice::Fd() const {
    std::lock_guard lock(Mutex_);
    return Device_ && Device_->IsOpen() ? Device_->Fd() : -1;
}

std::string TOpenDevice::FailureText() const {
    std::lock_guard lock(Mutex_);
    return Device_ ? Device_->FailureText() : std::string();
}

std::int32_t TOpenDevice::ApplySettings(const TDeviceControlBlock& block) {
    return Call(-ecCommNotOpen, [&](TLineDevice& device) {
        return static_cast<std::int32_t>(device.ApplySettings(block, !ReadByThreads_.load()));
    });
}

}  // namespace norvane::serial
