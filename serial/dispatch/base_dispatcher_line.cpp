// TVexaBaseDispatcher: the open sequence, the operations on the device control block, and
// the window services the driver needs. The device itself is reached only through the
// virtual device operations.
#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "serial/dispatch/base_dispatcher.h"
#include "serial/dispatch/line_settings.h"
#include "serial/errors/error_codes.h"

namespace norvane::serial {

namespace {

// The first ConfigureLine of an open waits for the drain at this rate, which is short.
constexpr std::uint32_t kOpeningBaud = 115200;
constexpr std::chrono::milliseconds kDrainPoll{2};
constexpr int kDrainPolls = 5000;

std::uint16_t Limit(std::uint32_t value) {
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(value, 0xFFFF));
}

}  // namespace

// ---- Opening ----

std::int32_t TVexaBaseDispatcher::OpenComPort(const std::string& deviceName, std::uint32_t baud,
                                              std::uint8_t parity, std::uint8_t dataBits,
                                              std::uint8_t stopBits, std::uint32_t inSize,
                                              std::uint32_t outSize, std::uint32_t lineFlags) {
    if (PortOpen()) {
        return -ecAlreadyOpen;  // undoing a failed second open would close the first
    }
    if (const std::int32_t handle = OpenComHandle(deviceName, inSize, outSize); handle < 0) {
        return FailOpen(handle);
    }
    if (const std::int32_t setup = SetupDevice(inSize, outSize); setup < 0) {
        return FailOpen(setup);
    }
    PrepareOpen(inSize, outSize);
    {
        std::lock_guard lock(DataLock_);
        Rs485Mode_ = false;
        TDeviceControlBlock state = DeviceState_;
        if (GetDeviceState(state) == 0) {
            DeviceState_ = state;
        }
        DtrByFlow_ = (lineFlags & kLineDtrByFlow) != 0;
        DtrOn_ = (lineFlags & kLineDtrOn) != 0;
        if (!DtrByFlow_) {
            SetDtrLine(DtrOn_);
        }
        RtsByFlow_ = (lineFlags & kLineRtsByFlow) != 0;
        RtsOn_ = (lineFlags & kLineRtsOn) != 0;
        if (!RtsByFlow_) {
            SetRtsLine(RtsOn_);
        }
        CurrentBaud_ = kOpeningBaud;
    }
    RefreshModemStatus(0xF0);
    if (const std::int32_t line = ChangeLine(baud, parity, dataBits, stopBits, true); line < 0) {
        return FailOpen(line);
    }
    ReadLineStatus();
    try {
        StartThreads();
    } catch (const std::system_error&) {
        return FailOpen(-ecOutOfMemory);
    }
    return 0;
}

std::int32_t TVexaBaseDispatcher::FailOpen(std::int32_t result) {
    CloseComPort();
    return result;
}

// ---- Line settings ----

std::int32_t TVexaBaseDispatcher::ConfigureLine(std::uint32_t baud, std::uint8_t parity,
                                                std::uint8_t dataBits, std::uint8_t stopBits) {
    return ChangeLine(baud, parity, dataBits, stopBits, false);
}

std::int32_t TVexaBaseDispatcher::ChangeLine(std::uint32_t baud, std::uint8_t parity,
                                             std::uint8_t dataBits, std::uint8_t stopBits,
                                             bool opening) {
    if (parity > kKeepParity) {
        return -ecBadArgument;
    }
    if (dataBits < 5 || dataBits > kKeepDataBits) {
        return -ecByteSize;
    }
    TDeviceControlBlock wanted;
    {
        std::lock_guard lock(DataLock_);
        TDeviceControlBlock present = DeviceState_;
        if (const std::int32_t read = GetDeviceState(present); read < 0) {
            return read;
        }
        wanted = RequestedLine(present, baud, parity, dataBits, stopBits);
        if (!opening && SameLine(present, wanted)) {
            return 0;
        }
    }
    WaitTransmitDrain();
    std::lock_guard lock(DataLock_);
    TDeviceControlBlock state = DeviceState_;
    if (const std::int32_t read = GetDeviceState(state); read < 0) {
        return read;
    }
    state.fBinary = true;
    state.fParity = false;
    state.fDsrSensitivity = false;
    state.fTXContinueOnXoff = true;
    state.fAbortOnError = false;
    if (opening) {
        // A device found with the requested settings may still be in the kernel's cooked
        // mode (echo, CR translation, line editing) or keep another program's flow control:
        // the whole block is written, and flow control waits for the owner to ask for it.
        state.fOutX = false;
        state.fInX = false;
        state.fOutxCtsFlow = false;
        state.fOutxDsrFlow = false;
    }
    state.BaudRate = wanted.BaudRate;
    state.Parity = wanted.Parity;
    state.ByteSize = wanted.ByteSize;
    state.StopBits = wanted.StopBits;
    return ApplyDeviceState(state);
}

std::int32_t TVexaBaseDispatcher::QueryLine(TDeviceLine& line) {
    std::lock_guard lock(DataLock_);
    TDeviceControlBlock state = DeviceState_;
    if (const std::int32_t read = GetDeviceState(state); read < 0) {
        return read;
    }
    line.Baud = TranslateCodedBaud(state.BaudRate);
    line.Parity = state.Parity;
    line.DataBits = state.ByteSize;
    line.StopBits = state.StopBits == ONESTOPBIT ? 1 : 2;
    return 0;
}

// Waits until the output ring and the device's own queue are empty (at most ten seconds, a
// line held by flow control must not hang the caller), then for the characters still in
// the UART.
void TVexaBaseDispatcher::WaitTransmitDrain() {
    for (int i = 0; i < kDrainPolls && (OutputPending() > 0 || TransmitQueued() > 0); ++i) {
        Sleep(kDrainPoll);
    }
    std::uint32_t baud = 0;
    TDeviceControlBlock state;
    {
        std::lock_guard lock(DataLock_);
        state = DeviceState_;
        GetDeviceState(state);
        baud = CurrentBaud_;
    }
    if (const std::uint32_t wait = TransmitDrainMilliseconds(baud, state); wait > 0) {
        Sleep(std::chrono::milliseconds(wait));
    }
}

void TVexaBaseDispatcher::Sleep(std::chrono::milliseconds duration) {
    TSleepFunction sleep;
    {
        std::lock_guard lock(DataLock_);
        sleep = Sleep_;
    }
    if (sleep) {
        sleep(duration);
    } else {
        std::this_thread::sleep_for(duration);
    }
}

void TVexaBaseDispatcher::SetSleepFunction(TSleepFunction sleep) {
    std::lock_guard lock(DataLock_);
    Sleep_ = std::move(sleep);
}

// Called with the data lock held. The output lines follow the wishes recorded by
// SetDtrLine and SetRtsLine unless flow control owns them.
std::int32_t TVexaBaseDispatcher::ApplyDeviceState(TDeviceControlBlock state) {
    if (!DtrByFlow_) {
        state.fDtrControl = DtrOn_ ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    }
    if (!RtsByFlow_) {
        state.fRtsControl = RtsOn_ ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    }
    if (const std::int32_t set = SetDeviceState(state); set < 0) {
        return set;
    }
    DeviceState_ = state;
    CurrentBaud_ = state.BaudRate;
    SetDtrLine(DtrOn_);
    if (!Rs485Mode_) {
        SetRtsLine(RtsOn_);
    }
    return 0;
}

std::int32_t TVexaBaseDispatcher::SetDtrLine(bool on) {
    std::lock_guard lock(DataLock_);
    if (DtrByFlow_) {
        return 1;
    }
    const std::int32_t result = EscapeFunction(on ? kEscapeSetDtr : kEscapeClrDtr);
    DtrOn_ = on;
    return std::min(result, 0);
}

std::int32_t TVexaBaseDispatcher::SetRtsLine(bool on) {
    std::lock_guard lock(DataLock_);
    if (RtsByFlow_) {
        return 1;
    }
    const std::int32_t result = EscapeFunction(on ? kEscapeSetRts : kEscapeClrRts);
    RtsOn_ = on;
    return std::min(result, 0);
}

// ---- Flow control ----

std::int32_t TVexaBaseDispatcher::ChangeFlow(
    const std::function<void(TDeviceControlBlock&)>& change) {
    std::lock_guard lock(DataLock_);
    TDeviceControlBlock state = DeviceState_;
    if (const std::int32_t read = GetDeviceState(state); read < 0) {
        return read;
    }
    const bool dtrByFlow = DtrByFlow_;
    const bool rtsByFlow = RtsByFlow_;
    change(state);
    const std::int32_t result = ApplyDeviceState(state);
    if (result < 0) {  // the device keeps its flow settings, so the lines keep their owners
        DtrByFlow_ = dtrByFlow;
        RtsByFlow_ = rtsByFlow;
    }
    return result;
}

std::int32_t TVexaBaseDispatcher::ConfigureHardwareFlow(std::uint32_t bufferFull,
                                                        std::uint32_t bufferResume,
                                                        std::uint32_t options) {
    if (bufferFull < bufferResume || bufferFull > InQueueSize()) {
        return -ecBadArgument;
    }
    return ChangeFlow([&](TDeviceControlBlock& state) {
        state.fOutxCtsFlow = (options & kFlowRequireCts) != 0;
        state.fOutxDsrFlow = (options & kFlowRequireDsr) != 0;
        DtrByFlow_ = (options & kFlowUseDtr) != 0;
        RtsByFlow_ = (options & kFlowUseRts) != 0;
        state.fDtrControl = DtrByFlow_ ? DTR_CONTROL_HANDSHAKE
                                       : (DtrOn_ ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE);
        state.fRtsControl = RtsByFlow_ ? RTS_CONTROL_HANDSHAKE
                                       : (RtsOn_ ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE);
        if (Rs485Mode_) {
            state.fRtsControl = RTS_CONTROL_TOGGLE;
            RtsByFlow_ = true;
        }
        state.XoffLim = Limit(InQueueSize() - bufferFull);
        state.XonLim = Limit(bufferResume);
    });
}

std::int32_t TVexaBaseDispatcher::ConfigureSoftwareFlow(std::uint32_t bufferFull,
                                                        std::uint32_t bufferResume,
                                                        std::uint32_t options) {
    if (bufferFull < bufferResume || bufferFull > InQueueSize()) {
        return -ecBadArgument;
    }
    return ChangeFlow([&](TDeviceControlBlock& state) {
        if ((options & kFlowXonXoffIn) != 0) {
            state.fInX = true;
            state.XoffLim = Limit(InQueueSize() - bufferFull);
            state.XonLim = Limit(bufferResume);
            state.XonChar = 17;
            state.XoffChar = 19;
        }
        if ((options & kFlowXonXoffOut) != 0) {
            state.fOutX = true;
            state.XonChar = 17;
            state.XoffChar = 19;
        }
    });
}

std::int32_t TVexaBaseDispatcher::DisableFlow() {
    return ChangeFlow([](TDeviceControlBlock& state) {
        state.fOutX = false;
        state.fInX = false;
    });
}

std::int32_t TVexaBaseDispatcher::SetFlowChars(char xon, char xoff) {
    return ChangeFlow([&](TDeviceControlBlock& state) {
        state.XonChar = xon;
        state.XoffChar = xoff;
    });
}

std::int32_t TVexaBaseDispatcher::QueryFlow(TFlowSettings& flow) {
    std::lock_guard lock(DataLock_);
    TDeviceControlBlock state = DeviceState_;
    if (const std::int32_t read = GetDeviceState(state); read < 0) {
        return read;
    }
    flow = TFlowSettings{};
    flow.Hardware |= state.fDtrControl == DTR_CONTROL_HANDSHAKE ? kFlowUseDtr : 0;
    flow.Hardware |= state.fRtsControl == RTS_CONTROL_HANDSHAKE ? kFlowUseRts : 0;
    flow.Hardware |= state.fOutxDsrFlow ? kFlowRequireDsr : 0;
    flow.Hardware |= state.fOutxCtsFlow ? kFlowRequireCts : 0;
    flow.Software |= state.fInX ? kFlowXonXoffIn : 0;
    flow.Software |= state.fOutX ? kFlowXonXoffOut : 0;
    flow.XonChar = state.XonChar;
    flow.XoffChar = state.XoffChar;
    return 0;
}

// ---- Queue sizes, RS-485, priorities ----

std::int32_t TVexaBaseDispatcher::SetInQueueSize(std::uint32_t inSize) {
    return SetupDevice(inSize, OutQueueSize());
}

std::int32_t TVexaBaseDispatcher::SetOutQueueSize(std::uint32_t outSize) {
    return SetupDevice(InQueueSize(), outSize);
}

std::int32_t TVexaBaseDispatcher::SetQueueSizes(std::uint32_t inSize, std::uint32_t outSize) {
    return SetupDevice(inSize, outSize);
}

std::int32_t TVexaBaseDispatcher::SetRs485Mode(bool on) {
    std::lock_guard lock(DataLock_);
    Rs485Mode_ = on;
    const std::int32_t result = ConfigureDeviceRs485(on);
    ApplyThreadPriorities();
    return result;
}

bool TVexaBaseDispatcher::Rs485Mode() {
    std::lock_guard lock(DataLock_);
    return Rs485Mode_;
}

void TVexaBaseDispatcher::SetThreadPriority(std::uint8_t base) {
    std::lock_guard lock(DataLock_);
    if (base == PriorityBase_) {
        return;
    }
    PriorityBase_ = base;
    ApplyThreadPriorities();
}

std::uint8_t TVexaBaseDispatcher::ThreadPriorityBase() {
    std::lock_guard lock(DataLock_);
    return PriorityBase_;
}

TDeviceControlBlock TVexaBaseDispatcher::StoredDeviceState() {
    std::lock_guard lock(DataLock_);
    return DeviceState_;
}

// ---- Windows, for the driver ----

void TVexaBaseDispatcher::PostToWindows(const TMessage& message) {
    std::lock_guard lock(DataLock_);
    for (const TWindowHandler& handler : Windows_) {
        if (!handler.Deleted) {
            handler.Window->Post(message);
        }
    }
}

std::size_t TVexaBaseDispatcher::DeliverPendingToWindows() {
    std::vector<IMessageTarget*> windows;
    {
        std::lock_guard lock(DataLock_);
        for (const TWindowHandler& handler : Windows_) {
            if (!handler.Deleted) {
                windows.push_back(handler.Window);
            }
        }
    }
    std::size_t delivered = 0;
    for (IMessageTarget* window : windows) {
        delivered += window->DeliverPending();
    }
    return delivered;
}

// ---- Device operations a driver may leave to these bodies ----

std::int32_t TVexaBaseDispatcher::EscapeFunction(std::int32_t) {
    return 0;
}

std::int32_t TVexaBaseDispatcher::GetDeviceState(TDeviceControlBlock& state) {
    std::lock_guard lock(DataLock_);
    state = DeviceState_;
    return 0;
}

std::int32_t TVexaBaseDispatcher::SetDeviceState(const TDeviceControlBlock&) {
    return 0;
}

std::int32_t TVexaBaseDispatcher::SetupDevice(std::uint32_t, std::uint32_t) {
    return 0;
}

std::uint32_t TVexaBaseDispatcher::TransmitQueued() {
    return 0;
}

bool TVexaBaseDispatcher::DeviceLost() const {
    return false;
}

std::optional<std::string> TVexaBaseDispatcher::TakeWorkerFailure() {
    return std::nullopt;
}

bool TVexaBaseDispatcher::ThreadsStarted() const {
    return false;
}

std::int32_t TVexaBaseDispatcher::ConfigureDeviceRs485(bool) {
    return 0;
}

void TVexaBaseDispatcher::ApplyThreadPriorities() {}

}  // namespace norvane::serial
