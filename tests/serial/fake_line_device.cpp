#include "fake_line_device.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "serial/errors/error_codes.h"

namespace norvane::serial::testing {

void TFakeLineDevice::Arrive(std::string_view bytes) {
    std::lock_guard lock(Mutex_);
    Input_.insert(Input_.end(), bytes.begin(), bytes.end());
}

std::size_t TFakeLineDevice::Queued() {
    std::lock_guard lock(Mutex_);
    return Input_.size();
}

std::string TFakeLineDevice::Sent() {
    std::lock_guard lock(Mutex_);
    return Output_;
}

void TFakeLineDevice::SetErrorWord(std::uint32_t errors) {
    std::lock_guard lock(Mutex_);
    ErrorWord_ = errors;
}

void TFakeLineDevice::SetModemLines(std::uint8_t lines) {
    std::lock_guard lock(Mutex_);
    ModemLines_ = lines;
}

void TFakeLineDevice::FailRead(int nth) {
    std::lock_guard lock(Mutex_);
    ReadsUntilFailure_ = nth;
}

void TFakeLineDevice::RefuseBlocks(bool refuse) {
    std::lock_guard lock(Mutex_);
    RefuseBlocks_ = refuse;
}

std::vector<std::uint32_t> TFakeLineDevice::ReadRequests() {
    std::lock_guard lock(Mutex_);
    return ReadRequests_;
}

int TFakeLineDevice::InputDiscards() {
    std::lock_guard lock(Mutex_);
    return InputDiscards_;
}

int TFakeLineDevice::OutputDiscards() {
    std::lock_guard lock(Mutex_);
    return OutputDiscards_;
}

TDeviceControlBlock TFakeLineDevice::Applied() {
    std::lock_guard lock(Mutex_);
    return Block_;
}

int TFakeLineDevice::Open(const std::string&) {
    std::lock_guard lock(Mutex_);
    Open_ = true;
    return 0;
}

int TFakeLineDevice::Close() {
    std::lock_guard lock(Mutex_);
    Open_ = false;
    return 0;
}

bool TFakeLineDevice::IsOpen() const {
    std::lock_guard lock(Mutex_);
    return Open_;
}

int TFakeLineDevice::Read(void* buffer, int count) {
    std::lock_guard lock(Mutex_);
    ReadRequests_.push_back(static_cast<std::uint32_t>(count));
    if (ReadsUntilFailure_ > 0 && --ReadsUntilFailure_ == 0) {
        return -EPROTO;
    }
    const auto n = std::min<std::size_t>(static_cast<std::size_t>(count), Input_.size());
    std::copy_n(Input_.begin(), n, static_cast<std::uint8_t*>(buffer));
    Input_.erase(Input_.begin(), Input_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<int>(n);
}

int TFakeLineDevice::Write(const void* bytes, int count) {
    std::lock_guard lock(Mutex_);
    Output_.append(static_cast<const char*>(bytes), static_cast<std::size_t>(count));
    return count;
}

int TFakeLineDevice::InputQueued() {
    std::lock_guard lock(Mutex_);
    return static_cast<int>(Input_.size());
}

int TFakeLineDevice::DiscardInput() {
    std::lock_guard lock(Mutex_);
    ++InputDiscards_;
    Input_.clear();
    return 0;
}

int TFakeLineDevice::DiscardOutput() {
    std::lock_guard lock(Mutex_);
    ++OutputDiscards_;
    return 0;
}

std::uint8_t TFakeLineDevice::ModemStatus() {
    std::lock_guard lock(Mutex_);
    return ModemLines_;
}

std::uint32_t TFakeLineDevice::TakeLineErrors() {
    std::lock_guard lock(Mutex_);
    return std::exchange(ErrorWord_, 0);
}

int TFakeLineDevice::SetRs485(bool) {
    return -ENOTTY;
}

int TFakeLineDevice::ReadSettings(TDeviceControlBlock& dcb) {
    std::lock_guard lock(Mutex_);
    if (HasBlock_) {
        dcb = Block_;
    }
    return 0;
}

int TFakeLineDevice::ApplySettings(const TDeviceControlBlock& dcb, bool) {
    std::lock_guard lock(Mutex_);
    if (RefuseBlocks_) {
        return -ecGeneralFailure;
    }
    Block_ = dcb;
    HasBlock_ = true;
    return 0;
}

}  // namespace norvane::serial::testing
