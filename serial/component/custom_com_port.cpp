#include "serial/component/custom_com_port.h"

#include <algorithm>

#include "base/bankers_rounding.h"
#include "serial/component/device_access_denied.h"
#include "serial/dispatch/base_dispatcher.h"
#include "serial/dispatch/plain_message_target.h"
#include "serial/errors/application_hooks.h"
#include "serial/errors/raise_on_error.h"
#include "serial/ports/port_map.h"
#include "serial/trace/trace_log_recorder.h"

namespace norvane::serial {

namespace {

constexpr std::uint32_t kMaxTraceSize = 4'000'000;
constexpr std::uint32_t kMaxLogSize = 16'000'000;

// Flow thresholds are character counts computed from a fraction of the input queue.
std::uint16_t RoundedCount(double value) {
    return static_cast<std::uint16_t>(base::RoundHalfEven(value));
}

std::uint32_t SoftwareFlowWord(TSWFlowOptions options) {
    switch (options) {
        case swfReceive:
            return 2;
        case swfTransmit:
            return 1;
        case swfBoth:
            return 3;
        default:
            return 0;
    }
}

bool Recording(TTraceLogState state) {
    return state == tlOn || state == tlPause;
}

std::unique_ptr<IMessageTarget> PlainWindow(TMessageHandler handler) {
    return std::make_unique<TPlainMessageTarget>(std::move(handler));
}

}  // namespace

TVexaCustomComPort::TVexaCustomComPort() : WindowFactory_(PlainWindow), PortMap_(&PortMap()) {}

TVexaCustomComPort::~TVexaCustomComPort() {
    // From here on no message reaches the handlers and nothing reopens the port: stopping a
    // dispatcher whose close is pending delivers the close-pending message, and a reopen
    // requested while Closing would start a port the destructor then frees under its threads.
    Destroying_ = true;
    ReopenPending_ = false;
    try {
        if (State_ == TPortState::Open) {
            ClosePort();
        }
        // A close still pending must not leave a dispatcher or window pointing at us.
        DestroyDispatcher();
        Window_.reset();
    } catch (const std::exception& failure) {
        ReportException(failure);
    }
}

std::int32_t TVexaCustomComPort::Check(std::int32_t result) {
    return RaiseOnError(*this, result);
}

void TVexaCustomComPort::CheckLine(std::int32_t result) {
    // The table's text alone names neither the device nor the rate; the device knows both.
    if (result == -ecBaudRate && !IsLoading() && Dispatcher_ &&
        !Dispatcher_->DeviceFailureText().empty()) {
        throw EBaudRateRefused(DevicePath_, result, Dispatcher_->DeviceFailureText());
    }
    Check(result);
}

// ---- line and queue settings ------------------------------------------------------------

void TVexaCustomComPort::SetDeviceLayer(TDeviceLayer value) {
    if (value == DeviceLayer_ || State_ != TPortState::Closed || value != dlWin32) {
        return;
    }
    DeviceLayer_ = value;
    DeviceLayerChanged();
}

void TVexaCustomComPort::SetComNumber(std::uint16_t value) {
    if (value == ComNumber_) {
        return;
    }
    if (!Applying()) {
        ComNumber_ = value;
        BoundDevice_.clear();
        return;
    }
    ComNumber_ = value;
    BoundDevice_.clear();
    Reopen();
}

void TVexaCustomComPort::Reopen() {
    // Closing saves the triggers and the reopen restores them, so their handles stay valid;
    // a running trace is dumped by the close and starts again on the new port.
    const TTraceLogState tracing = Tracing_;
    const TTraceLogState logging = Logging_;
    SetOpen(false);
    SetTracing(tracing);
    SetLogging(logging);
    SetOpen(true);
}

void TVexaCustomComPort::ApplyLine() {
    if (Applying()) {
        CheckLine(Dispatcher_->ConfigureLine(Baud_, Parity_, static_cast<std::uint8_t>(DataBits_),
                                             static_cast<std::uint8_t>(StopBits_)));
    }
}

void TVexaCustomComPort::SetBaud(std::int32_t value) {
    if (value != Baud_) {
        Baud_ = value;
        ApplyLine();
    }
}

void TVexaCustomComPort::SetParity(TParity value) {
    if (value != Parity_) {
        Parity_ = value;
        ApplyLine();
    }
}

void TVexaCustomComPort::SetDataBits(std::uint16_t value) {
    if (value != DataBits_) {
        DataBits_ = value;
        ApplyLine();
    }
}

void TVexaCustomComPort::SetStopBits(std::uint16_t value) {
    if (value != StopBits_) {
        StopBits_ = value;
        ApplyLine();
    }
}

void TVexaCustomComPort::SetInSize(std::uint16_t value) {
    if (value == InSize_) {
        return;
    }
    InSize_ = value;
    if (Applying()) {
        Dispatcher_->SetQueueSizes(InSize_, OutSize_);  // a refusal is not reported
    }
}

void TVexaCustomComPort::SetOutSize(std::uint16_t value) {
    if (value == OutSize_) {
        return;
    }
    OutSize_ = value;
    if (Applying()) {
        Dispatcher_->SetQueueSizes(InSize_, OutSize_);
    }
}

void TVexaCustomComPort::SetDTR(bool value) {
    if (Unchanged(value == DTR_)) {
        return;
    }
    // 1 means hardware flow control drives the line: the property keeps its value.
    if (!Applying() || Check(Dispatcher_->SetDtrLine(value)) == 0) {
        DTR_ = value;
    }
}

void TVexaCustomComPort::SetRTS(bool value) {
    if (Unchanged(value == RTS_)) {
        return;
    }
    if (!Applying() || Check(Dispatcher_->SetRtsLine(value)) == 0) {
        RTS_ = value;
    }
}

// ---- flow control -----------------------------------------------------------------------

void TVexaCustomComPort::ApplyFlowThresholds(double fullFraction, double resumeFraction) {
    if (BufferFull_ == 0 || BufferFull_ > InSize_) {
        BufferFull_ = RoundedCount(InSize_ * fullFraction);
    }
    if (BufferResume_ == 0 || BufferResume_ > BufferFull_) {
        BufferResume_ = RoundedCount(InSize_ * resumeFraction);
    }
}

void TVexaCustomComPort::SetHWFlowOptions(THWFlowOptionSet value) {
    if (Unchanged(value == HWFlowOptions_)) {
        return;
    }
    if (!value.Empty()) {
        ApplyFlowThresholds(0.9, 0.1);
    }
    if (Applying()) {
        Check(Dispatcher_->ConfigureHardwareFlow(BufferFull_, BufferResume_, value.Word()));
    }
    HWFlowOptions_ = value;
    // RTS cannot both carry flow control and switch an RS-485 transmitter.
    if (value.Contains(hwfUseRTS) || value.Contains(hwfRequireCTS)) {
        SetRS485Mode(false);
    }
}

void TVexaCustomComPort::SetSWFlowOptions(TSWFlowOptions value) {
    if (Unchanged(value == SWFlowOptions_)) {
        return;
    }
    const std::uint32_t word = SoftwareFlowWord(value);
    if (word != 0) {
        ApplyFlowThresholds(0.75, 0.25);
    }
    if (Applying()) {
        Check(word != 0 ? Dispatcher_->ConfigureSoftwareFlow(BufferFull_, BufferResume_, word)
                        : Dispatcher_->DisableFlow());
    }
    SWFlowOptions_ = value;
}

void TVexaCustomComPort::RerunFlowSetters() {
    TForceGuard force(*this);
    SetHWFlowOptions(HWFlowOptions_);
    SetSWFlowOptions(SWFlowOptions_);
}

void TVexaCustomComPort::SetBufferFull(std::uint16_t value) {
    if (Unchanged(value == BufferFull_)) {
        return;
    }
    BufferFull_ = value > InSize_ ? RoundedCount(value * 0.9) : value;
    RerunFlowSetters();
}

void TVexaCustomComPort::SetBufferResume(std::uint16_t value) {
    if (Unchanged(value == BufferResume_)) {
        return;
    }
    BufferResume_ = value > BufferFull_ ? RoundedCount(BufferFull_ * 0.1) : value;
    RerunFlowSetters();
}

void TVexaCustomComPort::SetXOnChar(char value) {
    if (Unchanged(value == XOnChar_)) {
        return;
    }
    XOnChar_ = value;
    if (Applying()) {
        Check(Dispatcher_->SetFlowChars(XOnChar_, XOffChar_));
    }
}

void TVexaCustomComPort::SetXOffChar(char value) {
    if (Unchanged(value == XOffChar_)) {
        return;
    }
    XOffChar_ = value;
    if (Applying()) {
        Check(Dispatcher_->SetFlowChars(XOnChar_, XOffChar_));
    }
}

void TVexaCustomComPort::SetRS485Mode(bool value) {
    if (Unchanged(value == RS485Mode_)) {
        return;
    }
    RS485Mode_ = value;
    if (Applying()) {
        Dispatcher_->SetRs485Mode(value);
    }
    if (value) {
        SetHWFlowOptions(HWFlowOptions_.Without(hwfUseRTS).Without(hwfRequireCTS));
        SetRTS(false);
    }
}

// ---- other settings ---------------------------------------------------------------------

void TVexaCustomComPort::SetUseMSRShadow(bool value) {
    UseMSRShadow_ = value;
}

void TVexaCustomComPort::SetUseEventWord(bool value) {
    // Linux has no driver event word to switch: poll() always reports what happened.
    UseEventWord_ = value;
}

void TVexaCustomComPort::SetAvailTriggerLength(std::uint16_t value) {
    if (Unchanged(value == AvailTriggerLength_)) {
        return;
    }
    AvailTriggerLength_ = value;
    if (Applying()) {
        Dispatcher_->SetAvailThreshold(value);
    }
}

void TVexaCustomComPort::SetPriorityBoost(std::uint8_t value) {
    if (Unchanged(value == PriorityBoost_)) {
        return;
    }
    PriorityBoost_ = value;
    if (Applying()) {
        Dispatcher_->SetThreadPriority(value);
    }
}

// ---- trace and log ----------------------------------------------------------------------

void TVexaCustomComPort::SetTracing(TTraceLogState value) {
    if (!Unchanged(value == Tracing_)) {
        RunTraceCommand(value, false);
    }
}

void TVexaCustomComPort::SetLogging(TTraceLogState value) {
    if (!Unchanged(value == Logging_)) {
        RunTraceCommand(value, true);
    }
}

void TVexaCustomComPort::RunTraceCommand(TTraceLogState value, bool log) {
    TTraceLogState& state = log ? Logging_ : Tracing_;
    if (State_ == TPortState::Closing) {
        return;
    }
    if (!Applying() || !Recorder_) {
        state = value == tlOn ? tlOn : tlOff;
        return;
    }
    TTraceLogRecorder& recorder = *Recorder_;
    const TTraceLogState current = state;
    switch (value) {
        case tlOff:
            if (Recording(current)) {
                log ? recorder.StopLog() : recorder.StopTrace();
            }
            state = tlOff;
            break;
        case tlOn:
            if (current == tlPause) {
                log ? recorder.ResumeLog() : recorder.ResumeTrace();
            } else {
                Check(log ? recorder.StartLog(LogSize_) : recorder.StartTrace(TraceSize_));
            }
            state = tlOn;
            break;
        case tlDump:
        case tlAppend: {
            state = tlOff;
            if (!Recording(current)) {
                break;
            }
            const bool append = value == tlAppend;
            if (log) {
                recorder.ResumeLog();
                Check(recorder.WriteLogFile(LogName_, append, LogAllHex_, LogHex_));
            } else {
                recorder.ResumeTrace();
                Check(recorder.WriteTraceFile(TraceName_, append, TraceAllHex_, TraceHex_));
            }
            break;
        }
        case tlClear:
            if (Recording(current)) {
                log ? recorder.ClearLog() : recorder.ClearTrace();
            }
            break;
        case tlPause:
            if (current == tlOn) {
                log ? recorder.PauseLog() : recorder.PauseTrace();
            }
            state = tlPause;
            break;
    }
}

void TVexaCustomComPort::SetTraceSize(std::uint32_t value) {
    value = std::min(value, kMaxTraceSize);
    if (value == TraceSize_) {
        return;
    }
    TraceSize_ = value;
    if (Applying() && Recording(Tracing_)) {
        const TTraceLogState previous = Tracing_;
        SetTracing(tlOff);
        SetTracing(previous);
    }
}

void TVexaCustomComPort::SetLogSize(std::uint32_t value) {
    value = std::min(value, kMaxLogSize);
    if (value == LogSize_) {
        return;
    }
    LogSize_ = value;
    if (Applying() && Recording(Logging_)) {
        const TTraceLogState previous = Logging_;
        SetLogging(tlOff);
        SetLogging(previous);
    }
}

// ---- events -----------------------------------------------------------------------------

void TVexaCustomComPort::UpdateHandlerState() {
    if (State_ != TPortState::Open || !Dispatcher_) {
        return;
    }
    const bool any = OnTrigger_ || OnTriggerAvail_ || OnTriggerData_ || OnTriggerStatus_ ||
                     OnTriggerTimer_ || OnTriggerLineError_ || OnTriggerModemStatus_ ||
                     OnTriggerOutbuffFree_ || OnTriggerOutbuffUsed_ || OnTriggerOutSent_;
    Dispatcher_->SetHandlerFlags(any ? TVexaBaseDispatcher::kHandlersInstalled
                                     : TVexaBaseDispatcher::kHandlersRemoved);
}

void TVexaCustomComPort::DoTrigger(std::uint16_t msg, std::uint16_t triggerHandle,
                                   std::uint16_t data) {
    Raise(OnTrigger_, msg, triggerHandle, data);
}
void TVexaCustomComPort::DoTriggerAvail(std::uint16_t count) {
    Raise(OnTriggerAvail_, count);
}
void TVexaCustomComPort::DoTriggerData(std::uint16_t handle) {
    Raise(OnTriggerData_, handle);
}
void TVexaCustomComPort::DoTriggerStatus(std::uint16_t handle) {
    Raise(OnTriggerStatus_, handle);
}
void TVexaCustomComPort::DoTriggerTimer(std::uint16_t handle) {
    Raise(OnTriggerTimer_, handle);
}
void TVexaCustomComPort::DoTriggerLineError(std::uint16_t error, bool lineBreak) {
    Raise(OnTriggerLineError_, error, lineBreak);
}
void TVexaCustomComPort::DoTriggerModemStatus() {
    Raise(OnTriggerModemStatus_);
}
void TVexaCustomComPort::DoTriggerOutbuffFree() {
    Raise(OnTriggerOutbuffFree_);
}
void TVexaCustomComPort::DoTriggerOutbuffUsed() {
    Raise(OnTriggerOutbuffUsed_);
}
void TVexaCustomComPort::DoTriggerOutSent() {
    Raise(OnTriggerOutSent_);
}
void TVexaCustomComPort::DoWaitChar(char c) {
    Raise(OnWaitChar_, c);
}

}  // namespace norvane::serial
