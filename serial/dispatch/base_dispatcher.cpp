// TVexaBaseDispatcher: life cycle, the dispatch ring, output and line status. Triggers,
// handlers and the dispatch cycle are in base_dispatcher_triggers.cpp.
#include "serial/dispatch/base_dispatcher.h"

#include <algorithm>
#include <cerrno>
#include <thread>

#include "serial/dispatch/dispatcher_registry.h"
#include "serial/errors/error_codes.h"

namespace norvane::serial {

TVexaBaseDispatcher::TVexaBaseDispatcher(TVexaCustomComPort* owner)
    : Owner_(owner),
      RegistryIndex_(RegisterDispatcher(this)),
      Line_(Device_, DataLock_, [this] { return PendingOutput(); }) {}

TVexaBaseDispatcher::~TVexaBaseDispatcher() {
    UnregisterDispatcher(RegistryIndex_);
}

void TVexaBaseDispatcher::PrepareOpen() {
    {
        std::lock_guard lock(InputLock_);
        Ring_.Allocate();
    }
    ScanCount_ = 0;
    LastAvailCount_ = 0;
    PendingMatch_.reset();
    {
        std::lock_guard lock(DataLock_);
        InNotification_ = false;
        HandlersDeleted_ = false;
        ModemStatus_ = 0;
    }
    ClearTriggers();
    ClosePending_.store(false);
    RingSeen_.store(false);
    LineErrors_.store(0);
}

void TVexaBaseDispatcher::Shutdown() {
    if (ClosePending_.load()) {
        ReleaseBuffers();
    } else {
        CloseComPort();
    }
}

void TVexaBaseDispatcher::ReleaseBuffers() {
    StopThreads();
    std::lock_guard lock(InputLock_);
    Ring_.Release();
    std::lock_guard out(OutputLock_);
    OutRing_.reset();
}

// ---- The device, for the driver ----

std::int32_t TVexaBaseDispatcher::OpenDevice(const std::string& name, std::uint32_t outSize) {
    const std::int32_t opened = Device_.Open(MakeDevice(name), name);
    if (opened < 0) {
        return opened;
    }
    Lost_.store(false);
    LossCause_.store(0);
    {
        std::lock_guard out(OutputLock_);
        OutRing_ = std::make_unique<TOutputRing>(outSize);
    }
    SetPortHandle(opened);
    return opened;
}

std::int32_t TVexaBaseDispatcher::CloseDevice() {
    const std::int32_t closed = Device_.Close();
    SetPortHandle(-1);
    return closed;
}

void TVexaBaseDispatcher::DropQueuedOutput() {
    std::lock_guard out(OutputLock_);
    if (OutRing_) {
        OutRing_->Clear();
    }
}

void TVexaBaseDispatcher::NoteDeviceError(int err, TIoDirection direction) {
    if (IsDeviceGone(err)) {
        NoteDeviceLost(ResultFromErrno(err, direction));
    }
}

void TVexaBaseDispatcher::NoteDeviceLost(std::int32_t cause) {
    // The first cause stays, and it is in place before anyone can see the loss.
    std::int32_t none = 0;
    LossCause_.compare_exchange_strong(none, cause);
    if (!Lost_.exchange(true)) {
        DeviceLostNoted();
    }
}

void TVexaBaseDispatcher::DeviceLostNoted() {}

std::int32_t TVexaBaseDispatcher::YieldTime() {
    std::this_thread::yield();
    return 0;
}

std::int32_t TVexaBaseDispatcher::CloseComPort() {
    std::int32_t result = 0;
    if (PortOpen()) {
        FlushOutput();
        FlushInput();
        result = CloseComHandle();
    }
    {
        std::lock_guard lock(DataLock_);
        if (InNotification_) {
            ClosePending_.store(true);
            return result;
        }
    }
    ReleaseBuffers();
    return result;
}

bool TVexaBaseDispatcher::InNotification() {
    std::lock_guard lock(DataLock_);
    return InNotification_;
}

// ---- Received bytes ----

std::int32_t TVexaBaseDispatcher::TakeChar() {
    std::lock_guard lock(InputLock_);
    const std::optional<std::uint8_t> byte = Ring_.Take();
    if (!byte) {
        return -ecBufferIsEmpty;
    }
    std::lock_guard data(DataLock_);
    if (Recorder_ != nullptr) {
        Recorder_->AddTraceEntry(tkReceive, *byte);
    }
    return *byte;
}

std::int32_t TVexaBaseDispatcher::PeekAt(std::int32_t n) {
    if (n < 1) {
        return -ecBadArgument;
    }
    std::lock_guard lock(InputLock_);
    const std::optional<std::uint8_t> byte = Ring_.Peek(static_cast<std::uint32_t>(n));
    return byte ? std::int32_t{*byte} : -ecBufferIsEmpty;
}

std::uint32_t TVexaBaseDispatcher::UnreadCount() {
    std::lock_guard lock(InputLock_);
    return Ring_.Readable();
}

std::int32_t TVexaBaseDispatcher::FlushInput() {
    const std::int32_t result =
        Device_.CallForResult(0, [](TLineDevice& device) { return device.DiscardInput(); });
    std::lock_guard lock(InputLock_);
    Ring_.Discard();
    std::lock_guard data(DataLock_);
    Triggers_.ResetPartialMatches();
    return result;
}

bool TVexaBaseDispatcher::FillDispatchBuffer() {
    std::lock_guard lock(InputLock_);
    if (!Ring_.Allocated()) {
        return false;
    }
    if (Ring_.Full()) {
        return true;  // full: the device's own queue holds the rest until bytes are taken
    }
    const TDriverStatus status = ReadLineStatus();
    if (status.InQueue == 0) {
        return false;
    }
    Ring_.Fill(status.InQueue,
               [this](std::span<std::uint8_t> stretch) { return ReadStretch(stretch); });
    return true;
}

// Reads from the device into a stretch of the ring. A failed read counts as nothing read.
std::uint32_t TVexaBaseDispatcher::ReadStretch(std::span<std::uint8_t> stretch) {
    const auto count = static_cast<std::uint32_t>(stretch.size());
    const std::int32_t result = ReadDevice(stretch.data(), count);
    const std::uint32_t got = std::min(static_cast<std::uint32_t>(std::max(result, 0)), count);
    LogEntry(ltDispatch, lsReadCom, got, stretch.first(got));
    return got;
}

// Up to count bytes the device has queued, without waiting: the number read, or a negated
// error. A 0-byte read of a device that reports a hang-up marks it lost.
std::int32_t TVexaBaseDispatcher::ReadDevice(std::uint8_t* buffer, std::uint32_t count) {
    bool hungUp = false;
    const int result = Device_.Call(-EBADF, [&](TLineDevice& device) {
        const int read =
            device.Read(buffer, static_cast<int>(std::min<std::uint32_t>(count, 0x7FFFFFFF)));
        hungUp = read == 0 && count > 0 && device.HangUpReported();
        return read;
    });
    if (hungUp) {
        NoteDeviceLost(ResultFromErrno(EIO, TIoDirection::Read));
        return ResultFromErrno(EIO, TIoDirection::Read);
    }
    if (result < 0) {
        NoteDeviceError(-result, TIoDirection::Read);
        return ResultFromErrno(-result, TIoDirection::Read);
    }
    return result;
}

std::uint8_t TVexaBaseDispatcher::RingByte(std::uint64_t position) {
    std::lock_guard lock(InputLock_);
    return Ring_.ByteAt(position);
}

// ---- Output ----

// InQueue from the device (0 while none is open), OutQueue from the output ring; the line
// errors the device counted since the last call join LineErrors_.
TDriverStatus TVexaBaseDispatcher::RefreshDriverStatus() {
    std::uint32_t errors = 0;
    const int queued = Device_.Call(0, [&](TLineDevice& device) {
        errors = device.TakeLineErrors();
        return device.InputQueued();
    });
    if (queued < 0) {
        NoteDeviceError(-queued, TIoDirection::Read);
    }
    LineErrors_.fetch_or(errors & kLineErrorWordMask);
    TDriverStatus status;
    status.InQueue = static_cast<std::uint32_t>(std::max(queued, 0));
    status.OutQueue = PendingOutput();
    return status;
}

std::uint32_t TVexaBaseDispatcher::PendingOutput() {
    std::lock_guard out(OutputLock_);
    return OutRing_ ? OutRing_->Pending() : 0;
}

std::int32_t TVexaBaseDispatcher::QueueOutput(const std::uint8_t* bytes, std::uint32_t count) {
    if (count == 0) {
        return 0;
    }
    if (bytes == nullptr) {
        return -ecBadArgument;
    }
    {
        std::lock_guard lock(OutputLock_);
        RefreshDriverStatus();  // the line errors the device counted so far are kept
        if (!OutRing_) {
            return -ecPutBlockFail;
        }
        if (count > OutRing_->Room()) {
            return -ecOutputBufferTooSmall;
        }
        if (!DeviceLost()) {  // a lost device's output is dropped
            OutRing_->Write(bytes, count);
            OutputQueued();
        }
    }
    std::lock_guard data(DataLock_);
    if (Recorder_ != nullptr) {
        Recorder_->AddLogEntry(ltDispatch, lsWriteCom, count,
                               std::span<const std::uint8_t>(bytes, count));
        for (std::uint32_t i = 0; i < count; ++i) {
            Recorder_->AddTraceEntry(tkTransmit, bytes[i]);
        }
    }
    return 0;
}

std::uint32_t TVexaBaseDispatcher::OutputPending() {
    return RefreshDriverStatus().OutQueue;
}

std::uint32_t TVexaBaseDispatcher::OutputRoom() {
    std::lock_guard out(OutputLock_);
    return OutRing_ ? OutRing_->Room() : 0;
}

std::int32_t TVexaBaseDispatcher::FlushOutput() {
    // The output thread writes under the output lock, so no write is using the ring.
    DropQueuedOutput();
    return Device_.CallForResult(0, [](TLineDevice& device) { return device.DiscardOutput(); });
}

// ---- Line and modem status ----

std::uint8_t TVexaBaseDispatcher::ModemLines() {
    return Device_.Call(std::uint8_t{0}, [](TLineDevice& device) { return device.ModemStatus(); });
}

std::uint8_t TVexaBaseDispatcher::RefreshModemStatus(std::uint8_t mask) {
    std::lock_guard lock(DataLock_);
    ModemStatus_ = static_cast<std::uint8_t>((ModemStatus_ & ~kModemLinesMask) |
                                             (ModemLines() & kModemLinesMask));
    if (RingSeen_.exchange(false)) {
        ModemStatus_ |= kModemRingChange;
    }
    const std::uint8_t status = ModemStatus_;
    ModemStatus_ &= mask;
    return status;
}

std::uint8_t TVexaBaseDispatcher::ReadModemChanges() {
    std::lock_guard lock(DataLock_);
    const std::uint8_t before = ModemStatus_;
    RefreshModemStatus(0xFF);
    const auto changed =
        static_cast<std::uint8_t>(((before ^ ModemStatus_) & kModemLinesMask) >> 4);
    ModemStatus_ |= changed;
    return ModemStatus_;
}

TDriverStatus TVexaBaseDispatcher::ReadLineStatus() {
    return RefreshDriverStatus();
}

std::int32_t TVexaBaseDispatcher::ReadLineError() {
    constexpr std::uint32_t kErrorBits =
        kLineErrorQueueOverflow | kLineErrorOverrun | kLineErrorParity | kLineErrorFraming;
    std::uint32_t errors = LineErrors_.load();
    for (;;) {
        std::int32_t result = 0;
        if ((errors & kLineErrorQueueOverflow) != 0) {
            result = 1;
        } else if ((errors & kLineErrorOverrun) != 0) {
            result = 2;
        } else if ((errors & kLineErrorParity) != 0) {
            result = 3;
        } else if ((errors & kLineErrorFraming) != 0) {
            result = 4;
        } else if ((errors & kLineErrorBreak) != 0) {
            result = 9;
        }
        if (LineErrors_.compare_exchange_weak(errors, errors & ~kErrorBits)) {
            return result;
        }
    }
}

bool TVexaBaseDispatcher::ReadBreak() {
    return (LineErrors_.fetch_and(~kLineErrorBreak) & kLineErrorBreak) != 0;
}

}  // namespace norvane::serial
