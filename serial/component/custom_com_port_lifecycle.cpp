// The port component's life: opening, closing, the notification window and its messages,
// the port operations, loading and copying.
#include <stdexcept>

#include "base/visible_text.h"
#include "serial/component/custom_com_port.h"
#include "serial/component/device_access_denied.h"
#include "serial/component/device_changed.h"
#include "serial/dispatch/dispatcher_factory.h"
#include "serial/dispatch/dispatcher_registry.h"
#include "serial/dispatch/notification_messages.h"
#include "serial/errors/application_hooks.h"
#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/errors/raise_on_error.h"
#include "serial/errors/vexa_exception.h"
#include "serial/linux/device_node.h"
#include "serial/linux/network_address.h"
#include "serial/ports/port_map.h"
#include "serial/trace/trace_log_recorder.h"

namespace norvane::serial {

namespace {

constexpr std::chrono::milliseconds kUserSendTimeout{3000};

// The platform's file errors that an open turns into the port's own.
std::int32_t TranslateOpenResult(std::int32_t result) {
    if (result == -ecAccessDenied) {
        return -ecAlreadyOpen;
    }
    if (result == -ecFileNotFound || result == -ecPathNotFound) {
        return -ecBadId;
    }
    return result;
}

}  // namespace

// ---- opening ----------------------------------------------------------------------------

std::unique_ptr<TVexaBaseDispatcher> TVexaCustomComPort::CreateDispatcher() {
    if (DeviceLayer_ != dlWin32) {
        Check(-ecNullApi);
    }
    return CreatePlatformDispatcher(this);
}

void TVexaCustomComPort::CheckComNumber() {
    if (ComNumber_ != 0) {
        return;
    }
    const auto& prompt = PortPrompt();
    const std::optional<int> chosen = PromptForPort_ && prompt ? prompt() : std::optional<int>();
    if (!chosen || *chosen <= 0) {
        Check(-ecNoPortSelected);
        return;
    }
    ComNumber_ = static_cast<std::uint16_t>(*chosen);
}

std::uint32_t TVexaCustomComPort::LineFlags() const {
    std::uint32_t flags = 0;
    flags |= DTR_ ? TVexaBaseDispatcher::kLineDtrOn : 0;
    flags |= RTS_ ? TVexaBaseDispatcher::kLineRtsOn : 0;
    flags |= HWFlowOptions_.Contains(hwfUseDTR) ? TVexaBaseDispatcher::kLineDtrByFlow : 0;
    flags |= HWFlowOptions_.Contains(hwfUseRTS) ? TVexaBaseDispatcher::kLineRtsByFlow : 0;
    return flags;
}

std::int32_t TVexaCustomComPort::OpenDevice() {
    const std::string path = DeviceToOpen();
    if (path.empty()) {
        return -ecFileNotFound;
    }
    DevicePath_ = path;
    const std::int32_t result = Dispatcher_->OpenComPort(
        DevicePath_, Baud_, Parity_, static_cast<std::uint8_t>(DataBits_),
        static_cast<std::uint8_t>(StopBits_), InSize_, OutSize_, LineFlags());
    if (result == 0) {
        BoundDevice_ = PortMap_->StableName(DevicePath_);
    }
    return result;
}

std::string TVexaCustomComPort::DeviceToOpen() const {
    const std::optional<std::string> mapped = PortMap_->DevicePath(ComNumber_);
    if (BoundDevice_.empty()) {
        return mapped.value_or(std::string());
    }
    const std::string boundNode = DeviceNode(BoundDevice_);
    const std::string mappedNode = mapped ? DeviceNode(*mapped) : std::string();
    if (!mappedNode.empty()) {
        if (mappedNode == boundNode || PortMap_->StableName(*mapped) == BoundDevice_) {
            return *mapped;
        }
        throw EDeviceChanged(ComNumber_, BoundDevice_, *mapped);
    }
    // The number leads nowhere now; the bound device may still be there under its stable
    // name (an adapter back under another kernel name). If it is not, opening it fails as
    // any missing device does, naming it.
    return BoundDevice_;
}

void TVexaCustomComPort::FollowPortNumber() {
    BoundDevice_.clear();
    if (State_ != TPortState::Open) {
        return;
    }
    const std::optional<std::string> mapped = PortMap_->DevicePath(ComNumber_);
    if (mapped && DeviceNode(*mapped) == DeviceNode(DevicePath_)) {
        BoundDevice_ = PortMap_->StableName(DevicePath_);
        return;
    }
    Reopen();
}

void TVexaCustomComPort::OpenPort() {
    if (TapiMode_ != tmOn) {
        CheckComNumber();
    }
    Dispatcher_ = CreateDispatcher();
    try {
        Recorder_ = std::make_unique<TTraceLogRecorder>();
        Dispatcher_->AttachRecorder(Recorder_.get());
        const std::int32_t result = TranslateOpenResult(OpenDevice());
        if (result != 0 && IsPermissionDenied(result)) {
            throw EDeviceAccessDenied(DevicePath_, result);
        }
        if (result != 0 && IsNetworkDeviceName(DevicePath_)) {
            throw ENetworkDeviceFailed(DevicePath_, result, Dispatcher_->DeviceFailureText());
        }
        // A local device says who holds it when it knows (a program that took no lock).
        if (result == -ecAlreadyOpen && !Dispatcher_->DeviceFailureText().empty()) {
            throw EDeviceInUse(DevicePath_, result, Dispatcher_->DeviceFailureText());
        }
        if (result != 0) {
            CheckLine(result);
            throw EVexaException(result);  // loading returns instead of raising
        }
        State_ = TPortState::Open;
        OpenNode_ = DeviceNode(DevicePath_);
        LostDevice_.clear();
        UpdateHandlerState();
        ReapplySettings();
        Open_ = true;
        SetNotifyWindow(true);
        RestoreSavedTriggers();
        NotifyPortOpened();
    } catch (...) {
        Open_ = false;
        State_ = TPortState::Closed;
        DestroyDispatcher();
        throw;
    }
}

void TVexaCustomComPort::ReapplySettings() {
    TForceGuard force(*this);
    SetTracing(Tracing_);
    SetLogging(Logging_);
    SetHWFlowOptions(HWFlowOptions_);
    SetSWFlowOptions(SWFlowOptions_);
    SetXOnChar(XOnChar_);
    SetXOffChar(XOffChar_);
    SetAvailTriggerLength(AvailTriggerLength_);
    SetDTR(DTR_);
    if (DeviceLayer_ != dlFossil) {
        SetRTS(RTS_);
    }
    SetUseMSRShadow(UseMSRShadow_);
    SetUseEventWord(UseEventWord_);
    SetCommNotificationLevel(CommNotificationLevel_);
    SetRS485Mode(RS485Mode_);
    SetPriorityBoost(PriorityBoost_);
}

void TVexaCustomComPort::SaveTriggers() {
    TVexaBaseDispatcher::FreeTriggerSet(SavedTriggers_);
    Dispatcher_->SaveTriggerSet(SavedTriggers_);
    TriggersSaved_ = true;
}

void TVexaCustomComPort::RestoreSavedTriggers() {
    if (!TriggersSaved_) {
        return;
    }
    TriggersSaved_ = false;
    Check(Dispatcher_->RestoreTriggerSet(SavedTriggers_));
}

// ---- closing ----------------------------------------------------------------------------

void TVexaCustomComPort::ClosePort() {
    Open_ = false;
    if (State_ != TPortState::Open) {
        return;
    }
    // A trace or log that cannot be written must not keep the port open: report it and
    // go on closing.
    for (const bool log : {false, true}) {
        try {
            log ? SetLogging(tlDump) : SetTracing(tlDump);
        } catch (const std::exception& failure) {
            ReportException(failure);
        }
    }
    State_ = TPortState::Closing;
    NotifyPortClosing();
    SaveTriggers();
    Dispatcher_->CloseComPort();
    if (Dispatcher_->InNotification() && HandlerDepth_ > 0) {
        // Called from one of our own handlers: the dispatcher is still delivering, so the
        // close completes once its threads have stopped. (A dispatcher merely waiting for
        // this thread to take a notification is not that case: destroying it below delivers
        // what it waits with and stops it, so the close need not wait for the next pump.)
        Window_->Post(
            TMessage{MsgClosePending, 0, NotificationSecond(Dispatcher_->RegistryIndex(), 0)});
        return;
    }
    DestroyDispatcher();
    SetNotifyWindow(false);
    State_ = TPortState::Closed;
}

void TVexaCustomComPort::DestroyDispatcher() {
    // The window stays attached until the threads have stopped, so that a notification in
    // flight can still be delivered while they are waited for.
    Dispatcher_.reset();
    Recorder_.reset();
}

void TVexaCustomComPort::SetNotifyWindow(bool create) {
    if (create) {
        if (HandlerDepth_ == 0) {
            RetiredWindows_.clear();
        }
        Window_ =
            WindowFactory_([this](const TMessage& message) { return HandleMessage(message); });
        Dispatcher_->AttachWindow(Window_.get());
        return;
    }
    if (!Window_) {
        return;
    }
    if (Dispatcher_) {
        Dispatcher_->DetachWindow(Window_.get());
    }
    // A window cannot be destroyed from inside its own handler; it is let go later.
    if (HandlerDepth_ > 0) {
        RetiredWindows_.push_back(std::move(Window_));
    }
    Window_.reset();
}

void TVexaCustomComPort::SetOpen(bool value) {
    if (value == Open_) {
        return;
    }
    if (IsLoading()) {
        Open_ = value;
        OpenAfterLoad_ = OpenAfterLoad_ || value;
        return;
    }
    if (!value) {
        ClosePort();
    } else if (State_ == TPortState::Closed) {
        OpenPort();
    } else if (State_ == TPortState::Closing) {
        ReopenPending_ = true;
    }
}

void TVexaCustomComPort::AfterLoad() {
    if (!OpenAfterLoad_ && !Open_) {
        return;
    }
    OpenAfterLoad_ = false;
    try {
        OpenPort();
    } catch (const std::exception& failure) {
        Open_ = false;
        ReportException(failure);
    }
}

// ---- notifications ----------------------------------------------------------------------

std::int32_t TVexaCustomComPort::HandleMessage(const TMessage& message) {
    switch (message.Id) {
        case MsgTriggerAvail:
        case MsgTriggerData:
        case MsgTriggerTimer:
        case MsgTriggerStatus:
        case MsgClosePending:
        case MsgDeviceLost:
            break;
        default:
            return 0;
    }
    if (Destroying_) {
        return 0;
    }
    std::lock_guard registry(RegistryLock());
    TVexaBaseDispatcher* dispatcher = FindDispatcher(RegistryIndexOf(message.Second));
    if (dispatcher == nullptr || dispatcher->Owner() != this) {
        return 0;
    }
    ++HandlerDepth_;
    try {
        if (message.Id == MsgClosePending) {
            CompletePendingClose(message);
        } else if (message.Id == MsgDeviceLost) {
            HandleDeviceLost();
        } else {
            DeliverTriggerMessage(message);
        }
    } catch (const std::exception& failure) {
        ReportException(failure);
    }
    --HandlerDepth_;
    return 0;
}

void TVexaCustomComPort::DeliverTriggerMessage(const TMessage& message) {
    const auto first = static_cast<std::uint16_t>(message.First);
    const std::uint16_t data = message.Id == MsgTriggerAvail ? first : ValueOf(message.Second);
    DoTrigger(static_cast<std::uint16_t>(message.Id), first, data);
    switch (message.Id) {
        case MsgTriggerAvail:
            DoTriggerAvail(first);
            break;
        case MsgTriggerData:
            DoTriggerData(first);
            break;
        case MsgTriggerTimer:
            DoTriggerTimer(first);
            break;
        case MsgTriggerStatus:
            DoTriggerStatus(first);
            switch (first & 0x07) {
                case 1:
                    DoTriggerModemStatus();
                    break;
                case 2: {
                    const bool lineBreak = LineBreak();
                    DoTriggerLineError(LineError(), lineBreak);
                    break;
                }
                case 3:
                    DoTriggerOutbuffFree();
                    break;
                case 4:
                    DoTriggerOutbuffUsed();
                    break;
                case 5:
                    DoTriggerOutSent();
                    break;
                default:
                    break;
            }
            break;
        default:
            break;
    }
}

void TVexaCustomComPort::CompletePendingClose(const TMessage& message) {
    DoTrigger(static_cast<std::uint16_t>(message.Id), static_cast<std::uint16_t>(message.First),
              ValueOf(message.Second));
    if (Dispatcher_ && Dispatcher_->ThreadsStarted()) {
        Window_->Post(message);
        return;
    }
    DestroyDispatcher();
    SetNotifyWindow(false);
    State_ = TPortState::Closed;
    if (ReopenPending_) {
        ReopenPending_ = false;
        OpenPort();
    }
}

void TVexaCustomComPort::HandleDeviceLost() {
    // The device is gone (an adapter unplugged, or a worker thread failed): close what is
    // left, keeping the triggers, so that the next use opens the port afresh. A failure is
    // shown once the port is closed, so that the report finds a port in a clean state.
    std::optional<std::string> failure =
        Dispatcher_ ? Dispatcher_->TakeWorkerFailure() : std::nullopt;
    // A network server that broke the protocol or contradicted the line settings says more
    // than "no connection": what it did, with its address.
    if (const std::string cause = Dispatcher_ ? Dispatcher_->DeviceFailureText() : "";
        !failure && !cause.empty()) {
        failure = "Lost " + base::VisibleText(DevicePath_) + ": " + cause;
    } else if (!failure) {
        LostDevice_ = OpenNode_.empty() ? DevicePath_ : OpenNode_;
    }
    if (State_ == TPortState::Open) {
        ClosePort();
    }
    Raise(OnDeviceLost_);
    if (failure) {
        ReportException(EVexaException(*failure));
    }
}

// ---- port users -------------------------------------------------------------------------

void TVexaCustomComPort::NotifyPortUsers(bool opened) {
    const TMessage message{opened ? MsgPortOpened : MsgPortClosing, 0, 0};
    for (auto user = Users_.rbegin(); user != Users_.rend(); ++user) {
        if (auto* window = std::get_if<IMessageTarget*>(&*user)) {
            (*window)->Send(message, kUserSendTimeout);
        } else {
            std::get<TPortUserCallback> (*user)(*this, opened);
        }
    }
    Raise(opened ? OnPortOpened_ : OnPortClosing_);
}

void TVexaCustomComPort::NotifyPortOpened() {
    NotifyPortUsers(true);
}

void TVexaCustomComPort::NotifyPortClosing() {
    NotifyPortUsers(false);
}

// ---- operations -------------------------------------------------------------------------

TVexaBaseDispatcher* TVexaCustomComPort::Dispatcher() {
    if (!Dispatcher_ && !IsLoading() && State_ != TPortState::Open && AutoOpen_) {
        SetOpen(true);
    }
    return Dispatcher_.get();
}

TVexaBaseDispatcher& TVexaCustomComPort::RequireDispatcher() {
    TVexaBaseDispatcher* dispatcher = Dispatcher();
    if (dispatcher == nullptr) {
        Check(-ecCommNotOpen);
        throw EVexaException(-ecCommNotOpen);
    }
    return *dispatcher;
}

std::uint16_t TVexaCustomComPort::AddPatternTrigger(const std::string& data, bool ignoreCase) {
    if (State_ == TPortState::Closing) {
        return 0;
    }
    const std::string pattern = data.substr(0, 255);
    const std::int32_t handle = Check(
        RequireDispatcher().NewDataTrigger(reinterpret_cast<const std::uint8_t*>(pattern.data()),
                                           static_cast<std::uint32_t>(pattern.size()), ignoreCase));
    return static_cast<std::uint16_t>(handle);
}

char TVexaCustomComPort::ReceiveChar() {
    if (State_ == TPortState::Closing) {
        return 0;
    }
    return static_cast<char>(Check(RequireDispatcher().TakeChar()));
}

std::uint32_t TVexaCustomComPort::UnreadCount() {
    return Applying() ? Dispatcher_->UnreadCount() : 0;
}

void TVexaCustomComPort::SendString(const std::string& data) {
    if (State_ == TPortState::Closing) {
        return;
    }
    Check(RequireDispatcher().QueueOutput(reinterpret_cast<const std::uint8_t*>(data.data()),
                                          static_cast<std::uint32_t>(data.size())));
}

std::uint16_t TVexaCustomComPort::LineError() {
    if (State_ != TPortState::Open || !Dispatcher_) {
        return 0;
    }
    return static_cast<std::uint16_t>(Dispatcher_->ReadLineError());
}

bool TVexaCustomComPort::LineBreak() {
    return State_ == TPortState::Open && Dispatcher_ && Dispatcher_->ReadBreak();
}

void TVexaCustomComPort::ServiceDriver() {
    if (State_ != TPortState::Closing) {
        Check(RequireDispatcher().YieldTime());
    }
}

void TVexaCustomComPort::CopySettingsFrom(const TVexaCustomComPort& source) {
    if (&source == this) {
        return;
    }
    Users_ = source.Users_;
    if (source.Open_ && source.Dispatcher_) {
        TVexaBaseDispatcher::FreeTriggerSet(SavedTriggers_);
        source.Dispatcher_->SaveTriggerSet(SavedTriggers_);
        TriggersSaved_ = true;
    }
    Force_ = source.Force_;
    DeviceLayer_ = source.DeviceLayer_;
    ComNumber_ = source.ComNumber_;
    Baud_ = source.Baud_;
    Parity_ = source.Parity_;
    DataBits_ = source.DataBits_;
    StopBits_ = source.StopBits_;
    InSize_ = source.InSize_;
    OutSize_ = source.OutSize_;
    AutoOpen_ = source.AutoOpen_;
    PromptForPort_ = source.PromptForPort_;
    RS485Mode_ = source.RS485Mode_;
    PriorityBoost_ = source.PriorityBoost_;
    DTR_ = source.DTR_;
    RTS_ = source.RTS_;
    BufferFull_ = source.BufferFull_;
    BufferResume_ = source.BufferResume_;
    HWFlowOptions_ = source.HWFlowOptions_;
    SWFlowOptions_ = source.SWFlowOptions_;
    XOnChar_ = source.XOnChar_;
    XOffChar_ = source.XOffChar_;
    Tracing_ = source.Tracing_;
    TraceSize_ = source.TraceSize_;
    TraceName_ = source.TraceName_;
    TraceHex_ = source.TraceHex_;
    TraceAllHex_ = source.TraceAllHex_;
    Logging_ = source.Logging_;
    LogSize_ = source.LogSize_;
    LogName_ = source.LogName_;
    LogHex_ = source.LogHex_;
    LogAllHex_ = source.LogAllHex_;
    AvailTriggerLength_ = source.AvailTriggerLength_;
    Open_ = false;
    SetOnTrigger(source.OnTrigger_);
    SetOnTriggerAvail(source.OnTriggerAvail_);
    SetOnTriggerData(source.OnTriggerData_);
    SetOnTriggerStatus(source.OnTriggerStatus_);
    SetOnTriggerTimer(source.OnTriggerTimer_);
    OnPortOpened_ = source.OnPortOpened_;
    OnPortClosing_ = source.OnPortClosing_;
    OnDeviceLost_ = source.OnDeviceLost_;
    TapiMode_ = source.TapiMode_;
}

}  // namespace norvane::serial
