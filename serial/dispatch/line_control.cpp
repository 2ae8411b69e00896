#include "serial/dispatch/line_control.h"

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

#include "serial/dispatch/line_settings.h"
#include "serial/errors/error_codes.h"

namespace norvane::serial {

namespace {

// The first ChangeLine of an open waits for the drain at this rate, which is short.
constexpr std::uint32_t kOpeningBaud = 115200;
constexpr std::chrono::milliseconds kDrainPoll{2};
constexpr int kDrainPolls = 5000;

std::uint16_t Limit(std::uint32_t value) {
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(value, 0xFFFF));
}

// Flow stops when bufferFull bytes are queued and resumes at bufferResume, within the queue.
bool FlowLimitsFit(std::uint32_t bufferFull, std::uint32_t bufferResume, std::uint32_t inSize) {
    return bufferResume <= bufferFull && bufferFull <= inSize;
}

}  // namespace

TLineControl::TLineControl(TOpenDevice& device, std::recursive_mutex& dataLock,
                           TOutputPending outputPending)
    : Device_(device), DataLock_(dataLock), OutputPending_(std::move(outputPending)) {}

void TLineControl::PrepareOpen(std::uint32_t lineFlags, std::uint32_t inQueueSize) {
    std::lock_guard lock(DataLock_);
    Rs485Mode_ = false;
    InQueueSize_ = inQueueSize;
    TDeviceControlBlock state = DeviceState_;
    if (ReadDeviceState(state) == 0) {
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

// ---- Line settings ----

std::int32_t TLineControl::ChangeLine(std::uint32_t baud, std::uint8_t parity,
                                      std::uint8_t dataBits, std::uint8_t stopBits, bool opening) {
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
        if (const std::int32_t read = ReadDeviceState(present); read < 0) {
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
    if (const std::int32_t read = ReadDeviceState(state); read < 0) {
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

std::int32_t TLineControl::QueryLine(TDeviceLine& line) {
    std::lock_guard lock(DataLock_);
    TDeviceControlBlock state = DeviceState_;
    if (const std::int32_t read = ReadDeviceState(state); read < 0) {
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
void TLineControl::WaitTransmitDrain() {
    for (int i = 0; i < kDrainPolls && (OutputPending_() > 0 || TransmitQueued() > 0); ++i) {
        Sleep(kDrainPoll);
    }
    std::uint32_t baud = 0;
    TDeviceControlBlock state;
    {
        std::lock_guard lock(DataLock_);
        state = DeviceState_;
        ReadDeviceState(state);
        baud = CurrentBaud_;
    }
    if (const std::uint32_t wait = TransmitDrainMilliseconds(baud, state); wait > 0) {
        Sleep(std::chrono::milliseconds(wait));
    }
}

void TLineControl::Sleep(std::chrono::milliseconds duration) {
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

void TLineControl::SetSleepFunction(TSleepFunction sleep) {
    std::lock_guard lock(DataLock_);
    Sleep_ = std::move(sleep);
}

// The device's present settings, into the fields of state it keeps; the others keep theirs.
std::int32_t TLineControl::ReadDeviceState(TDeviceControlBlock& state) {
    return Device_.CallForResult(-ecCommNotOpen,
                                 [&](TLineDevice& device) { return device.ReadSettings(state); });
}

std::uint32_t TLineControl::TransmitQueued() {
    return Device_.Call(0u, [](TLineDevice& device) {
        return static_cast<std::uint32_t>(std::max(device.OutputQueued(), 0));
    });
}

// Called with the data lock held. The output lines follow the wishes recorded by
// SetDtrLine and SetRtsLine unless flow control owns them.
std::int32_t TLineControl::ApplyDeviceState(TDeviceControlBlock state) {
    if (!DtrByFlow_) {
        state.fDtrControl = DtrOn_ ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    }
    if (!RtsByFlow_) {
        state.fRtsControl = RtsOn_ ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    }
    if (const std::int32_t set = Device_.ApplySettings(state); set < 0) {
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

std::int32_t TLineControl::SetDtrLine(bool on) {
    return SetOutputLine(on, DtrOn_, DtrByFlow_, true);
}

std::int32_t TLineControl::SetRtsLine(bool on) {
    return SetOutputLine(on, RtsOn_, RtsByFlow_, false);
}

// wish and byFlow are the line's members, read and written under the lock.
// A device without modem lines takes the wish quietly.
std::int32_t TLineControl::SetOutputLine(bool on, bool& wish, const bool& byFlow, bool dtr) {
    std::lock_guard lock(DataLock_);
    if (byFlow) {
        return 1;
    }
    const std::int32_t result = Device_.CallForResult(-ecCommNotOpen, [&](TLineDevice& device) {
        return dtr ? device.SetDtr(on) : device.SetRts(on);
    });
    wish = on;
    return result;
}

// ---- Flow control ----

std::int32_t TLineControl::ChangeFlow(const std::function<void(TDeviceControlBlock&)>& change) {
    std::lock_guard lock(DataLock_);
    TDeviceControlBlock state = DeviceState_;
    if (const std::int32_t read = ReadDeviceState(state); read < 0) {
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

// The limits as the device control block holds them: XOFF when fewer than XoffLim places
// are left in the input queue, XON when no more than XonLim bytes wait.
std::int32_t TLineControl::ChangeFlowWithin(std::uint32_t bufferFull, std::uint32_t bufferResume,
                                            const TFlowLimitedChange& change) {
    const std::uint32_t inSize = InQueueSize_;
    if (!FlowLimitsFit(bufferFull, bufferResume, inSize)) {
        return -ecBadArgument;
    }
    const std::uint16_t xoffLimit = Limit(inSize - bufferFull);
    const std::uint16_t xonLimit = Limit(bufferResume);
    return ChangeFlow([&](TDeviceControlBlock& state) { change(state, xoffLimit, xonLimit); });
}

std::int32_t TLineControl::ConfigureHardwareFlow(std::uint32_t bufferFull,
                                                 std::uint32_t bufferResume,
                                                 std::uint32_t options) {
    return ChangeFlowWithin(
        bufferFull, bufferResume,
        [&](TDeviceControlBlock& state, std::uint16_t xoffLimit, std::uint16_t xonLimit) {
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
            state.XoffLim = xoffLimit;
            state.XonLim = xonLimit;
        });
}

std::int32_t TLineControl::ConfigureSoftwareFlow(std::uint32_t bufferFull,
                                                 std::uint32_t bufferResume,
                                                 std::uint32_t options) {
    return ChangeFlowWithin(
        bufferFull, bufferResume,
        [&](TDeviceControlBlock& state, std::uint16_t xoffLimit, std::uint16_t xonLimit) {
            if ((options & kFlowXonXoffIn) != 0) {
                state.fInX = true;
                state.XoffLim = xoffLimit;
                state.XonLim = xonLimit;
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

std::int32_t TLineControl::DisableFlow() {
    return ChangeFlow([](TDeviceControlBlock& state) {
        state.fOutX = false;
        state.fInX = false;
    });
}

std::int32_t TLineControl::SetFlowChars(char xon, char xoff) {
    return ChangeFlow([&](TDeviceControlBlock& state) {
        state.XonChar = xon;
        state.XoffChar = xoff;
    });
}

std::int32_t TLineControl::QueryFlow(TFlowSettings& flow) {
    std::lock_guard lock(DataLock_);
    TDeviceControlBlock state = DeviceState_;
    if (const std::int32_t read = ReadDeviceState(state); read < 0) {
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

// ---- RS-485 ----

std::int32_t TLineControl::SetRs485Mode(bool on) {
    std::lock_guard lock(DataLock_);
    Rs485Mode_ = on;
    return Device_.CallForResult(0, [&](TLineDevice& device) {
        const int result = device.SetRs485(on);
        // A serial driver without an RS-485 mode: the mode is only recorded.
        return result == -ENOTTY || result == -EINVAL ? 0 : result;
    });
}

bool TLineControl::Rs485Mode() {
    std::lock_guard lock(DataLock_);
    return Rs485Mode_;
}

TDeviceControlBlock TLineControl::StoredState() {
    std::lock_guard lock(DataLock_);
    return DeviceState_;
}

}  // namespace norvane::serial
