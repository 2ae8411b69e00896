#include "fake_device_dispatcher.h"

#include <algorithm>
#include <utility>

namespace norvane::serial::testing {

void TFakeDeviceDispatcher::Arrive(std::string_view bytes) {
    std::lock_guard lock(Mutex_);
    Input_.insert(Input_.end(), bytes.begin(), bytes.end());
}

std::size_t TFakeDeviceDispatcher::DeviceQueued() {
    std::lock_guard lock(Mutex_);
    return Input_.size();
}

std::string TFakeDeviceDispatcher::Sent() {
    std::lock_guard lock(Mutex_);
    return Output_;
}

void TFakeDeviceDispatcher::SetErrorWord(std::uint32_t errors) {
    std::lock_guard lock(Mutex_);
    ErrorWord_ = errors;
}

void TFakeDeviceDispatcher::SetModemLines(std::uint8_t lines) {
    std::lock_guard lock(Mutex_);
    ModemLines_ = lines;
}

void TFakeDeviceDispatcher::FailRead(int nth) {
    std::lock_guard lock(Mutex_);
    ReadsUntilFailure_ = nth;
}

void TFakeDeviceDispatcher::SetPendingOutput(std::uint32_t pending) {
    std::lock_guard lock(Mutex_);
    PendingOutput_ = pending;
}

std::vector<std::uint32_t> TFakeDeviceDispatcher::ReadRequests() {
    std::lock_guard lock(Mutex_);
    return ReadRequests_;
}

std::int32_t TFakeDeviceDispatcher::FlushDevice(std::int32_t which) {
    std::lock_guard lock(Mutex_);
    if (which == 0) {
        ++OutputFlushes_;
        PendingOutput_ = 0;
    } else {
        ++InputFlushes_;
        Input_.clear();
    }
    return 0;
}

std::uint32_t TFakeDeviceDispatcher::ReadStatus(TDriverStatus& status) {
    std::lock_guard lock(Mutex_);
    status.InQueue = static_cast<std::uint32_t>(Input_.size());
    status.OutQueue = PendingOutput_;
    return std::exchange(ErrorWord_, 0);
}

std::int32_t TFakeDeviceDispatcher::ReportError(std::int32_t) {
    std::lock_guard lock(Mutex_);
    ++ReportedErrors_;
    return 0;
}

std::int32_t TFakeDeviceDispatcher::ReadDevice(std::uint8_t* buffer, std::uint32_t count) {
    std::lock_guard lock(Mutex_);
    ReadRequests_.push_back(count);
    if (ReadsUntilFailure_ > 0 && --ReadsUntilFailure_ == 0) {
        return -1;
    }
    const auto n = std::min<std::size_t>(count, Input_.size());
    std::copy_n(Input_.begin(), n, buffer);
    Input_.erase(Input_.begin(), Input_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<std::int32_t>(n);
}

std::int32_t TFakeDeviceDispatcher::WriteDevice(const std::uint8_t* bytes, std::uint32_t count) {
    std::lock_guard lock(Mutex_);
    if (RefuseWrites_) {
        return 0;
    }
    Output_.append(reinterpret_cast<const char*>(bytes), count);
    PendingOutput_ += count;
    return static_cast<std::int32_t>(count);
}

std::uint8_t TFakeDeviceDispatcher::ReadModemLines() {
    std::lock_guard lock(Mutex_);
    return ModemLines_;
}

}  // namespace norvane::serial::testing
