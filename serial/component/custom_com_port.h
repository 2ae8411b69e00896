#pragma once
// TVexaCustomComPort: the program's handle on one serial port.
//
// It keeps the port and line settings as properties, opens the port on first use through a
// dispatcher that owns the device, forwards sends, receives and trigger definitions to it,
// and turns the dispatcher's notifications into events on the thread that created it.
//
// Threads: everything here, the events included, runs on the creating (user-interface)
// thread. The dispatcher's worker threads reach the component only through its
// notification window, a message target owned by that thread; each of their sends waits at
// most 3000 ms.
//
// States: Closed (no dispatcher), Open (a dispatcher with an open device and a window), and
// Closing: the close began inside one of this port's own event handlers, while the
// dispatcher was still delivering; it completes through a posted close-pending message once
// the worker threads have stopped. While Closing, port operations return at once without
// effect and setters only store.
//
// Failures: dispatcher results go through RaiseOnError (while loading they are returned
// instead). Setters of Baud, Parity, DataBits and StopBits keep the new value when the
// dispatcher refuses it; DTR, RTS and the flow options keep the old one.
//
// A port that disappears (a USB adapter unplugged) is turned into a Closed port with its
// triggers saved, so the next use opens it again and the handles stay valid.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "serial/component/com_port_types.h"
#include "serial/component/vexa_base_component.h"
#include "serial/dispatch/data_trigger.h"
#include "serial/dispatch/message_target.h"

namespace norvane::serial {

class TVexaBaseDispatcher;
class TTraceLogRecorder;
class TPortMap;

class TVexaCustomComPort : public TVexaBaseComponent {
  public:
    enum class TPortState : std::uint8_t { Closed, Closing, Open };

    // Event handler types; every handler receives the component first.
    using TTriggerEvent = std::function<void(TVexaCustomComPort&, std::uint16_t msg,
                                             std::uint16_t triggerHandle, std::uint16_t data)>;
    using TTriggerAvailEvent = std::function<void(TVexaCustomComPort&, std::uint16_t count)>;
    using TTriggerHandleEvent =
        std::function<void(TVexaCustomComPort&, std::uint16_t triggerHandle)>;
    using TTriggerLineErrorEvent =
        std::function<void(TVexaCustomComPort&, std::uint16_t error, bool lineBreak)>;
    using TNotifyEvent = std::function<void(TVexaCustomComPort&)>;
    using TWaitCharEvent = std::function<void(TVexaCustomComPort&, char c)>;
    // A port user told when the port has opened (true) and when it starts closing (false).
    using TPortUserCallback = std::function<void(TVexaCustomComPort&, bool opened)>;
    using TPortUser = std::variant<IMessageTarget*, TPortUserCallback>;
    // Makes the notification window: a message target on this thread running `handler`.
    using TWindowFactory = std::function<std::unique_ptr<IMessageTarget>(TMessageHandler)>;

    TVexaCustomComPort();
    // Closes an open port. A close still pending completes here without raising any event,
    // and a reopen requested meanwhile is dropped: destruction never opens the port.
    ~TVexaCustomComPort() override;
    TVexaCustomComPort(const TVexaCustomComPort&) = delete;
    TVexaCustomComPort& operator=(const TVexaCustomComPort&) = delete;

    // ---- properties ---------------------------------------------------------------------
    TDeviceLayer DeviceLayer() const { return DeviceLayer_; }
    void SetDeviceLayer(TDeviceLayer value);
    std::uint16_t ComNumber() const { return ComNumber_; }
    void SetComNumber(std::uint16_t value);
    std::int32_t Baud() const { return Baud_; }
    void SetBaud(std::int32_t value);
    bool PromptForPort() const { return PromptForPort_; }
    void SetPromptForPort(bool value) { PromptForPort_ = value; }
    TParity Parity() const { return Parity_; }
    void SetParity(TParity value);
    std::uint16_t DataBits() const { return DataBits_; }
    void SetDataBits(std::uint16_t value);
    std::uint16_t StopBits() const { return StopBits_; }
    void SetStopBits(std::uint16_t value);
    std::uint16_t InSize() const { return InSize_; }
    void SetInSize(std::uint16_t value);
    std::uint16_t OutSize() const { return OutSize_; }
    void SetOutSize(std::uint16_t value);
    bool AutoOpen() const { return AutoOpen_; }
    void SetAutoOpen(bool value) { AutoOpen_ = value; }
    bool Open() const { return Open_; }
    void SetOpen(bool value);
    bool DTR() const { return DTR_; }
    void SetDTR(bool value);
    bool RTS() const { return RTS_; }
    void SetRTS(bool value);
    THWFlowOptionSet HWFlowOptions() const { return HWFlowOptions_; }
    void SetHWFlowOptions(THWFlowOptionSet value);
    TSWFlowOptions SWFlowOptions() const { return SWFlowOptions_; }
    void SetSWFlowOptions(TSWFlowOptions value);
    char XOnChar() const { return XOnChar_; }
    void SetXOnChar(char value);
    char XOffChar() const { return XOffChar_; }
    void SetXOffChar(char value);
    std::uint16_t BufferFull() const { return BufferFull_; }
    void SetBufferFull(std::uint16_t value);
    std::uint16_t BufferResume() const { return BufferResume_; }
    void SetBufferResume(std::uint16_t value);
    TTraceLogState Tracing() const { return Tracing_; }
    void SetTracing(TTraceLogState value);
    std::uint32_t TraceSize() const { return TraceSize_; }
    void SetTraceSize(std::uint32_t value);
    const std::string& TraceName() const { return TraceName_; }
    void SetTraceName(const std::string& value) { TraceName_ = value.substr(0, 255); }
    bool TraceHex() const { return TraceHex_; }
    void SetTraceHex(bool value) { TraceHex_ = value; }
    bool TraceAllHex() const { return TraceAllHex_; }
    void SetTraceAllHex(bool value) { TraceAllHex_ = value; }
    TTraceLogState Logging() const { return Logging_; }
    void SetLogging(TTraceLogState value);
    std::uint32_t LogSize() const { return LogSize_; }
    void SetLogSize(std::uint32_t value);
    const std::string& LogName() const { return LogName_; }
    void SetLogName(const std::string& value) { LogName_ = value.substr(0, 255); }
    bool LogHex() const { return LogHex_; }
    void SetLogHex(bool value) { LogHex_ = value; }
    bool LogAllHex() const { return LogAllHex_; }
    void SetLogAllHex(bool value) { LogAllHex_ = value; }
    bool UseMSRShadow() const { return UseMSRShadow_; }
    void SetUseMSRShadow(bool value);
    bool UseEventWord() const { return UseEventWord_; }
    void SetUseEventWord(bool value);
    std::uint16_t CommNotificationLevel() const { return CommNotificationLevel_; }
    void SetCommNotificationLevel(std::uint16_t value) { CommNotificationLevel_ = value; }
    TTapiMode TapiMode() const { return TapiMode_; }
    void SetTapiMode(TTapiMode value) { TapiMode_ = value; }
    bool RS485Mode() const { return RS485Mode_; }
    void SetRS485Mode(bool value);
    std::uint16_t AvailTriggerLength() const { return AvailTriggerLength_; }
    void SetAvailTriggerLength(std::uint16_t value);
    std::uint8_t PriorityBoost() const { return PriorityBoost_; }
    void SetPriorityBoost(std::uint8_t value);

    // ---- events -------------------------------------------------------------------------
    // The trigger-event setters also tell an open dispatcher whether anyone listens.
    void SetOnTrigger(TTriggerEvent handler) { StoreEvent(OnTrigger_, std::move(handler)); }
    void SetOnTriggerAvail(TTriggerAvailEvent handler) {
        StoreEvent(OnTriggerAvail_, std::move(handler));
    }
    void SetOnTriggerData(TTriggerHandleEvent handler) {
        StoreEvent(OnTriggerData_, std::move(handler));
    }
    void SetOnTriggerStatus(TTriggerHandleEvent handler) {
        StoreEvent(OnTriggerStatus_, std::move(handler));
    }
    void SetOnTriggerTimer(TTriggerHandleEvent handler) {
        StoreEvent(OnTriggerTimer_, std::move(handler));
    }
    void SetOnTriggerLineError(TTriggerLineErrorEvent handler) {
        StoreEvent(OnTriggerLineError_, std::move(handler));
    }
    void SetOnTriggerModemStatus(TNotifyEvent handler) {
        StoreEvent(OnTriggerModemStatus_, std::move(handler));
    }
    void SetOnTriggerOutbuffFree(TNotifyEvent handler) {
        StoreEvent(OnTriggerOutbuffFree_, std::move(handler));
    }
    void SetOnTriggerOutbuffUsed(TNotifyEvent handler) {
        StoreEvent(OnTriggerOutbuffUsed_, std::move(handler));
    }
    void SetOnTriggerOutSent(TNotifyEvent handler) {
        StoreEvent(OnTriggerOutSent_, std::move(handler));
    }
    void SetOnWaitChar(TWaitCharEvent handler) { OnWaitChar_ = std::move(handler); }
    void SetOnPortOpened(TNotifyEvent handler) { OnPortOpened_ = std::move(handler); }
    void SetOnPortClosing(TNotifyEvent handler) { OnPortClosing_ = std::move(handler); }
    // Raised once the port has closed because its device went away under it (see
    // LostDevice(), which names it, or a failure of the layer below, which is reported right
    // after). Nothing more will arrive from that device; the next use opens the port afresh.
    void SetOnDeviceLost(TNotifyEvent handler) { OnDeviceLost_ = std::move(handler); }

    // ---- operations (user-interface thread) ---------------------------------------------

    // The dispatcher, opening the port first when it is closed and AutoOpen is set; an open
    // failure propagates. Null when the port is not open and could not be opened that way.
    TVexaBaseDispatcher* Dispatcher();

    // Adds a data trigger on at most 21 bytes of data and returns its handle. 0 while Closing.
    std::uint16_t AddPatternTrigger(const std::string& data, bool ignoreCase);
    // The next received character; character 0 while Closing. EBufferIsEmpty when none.
    char ReceiveChar();
    // Received characters not yet taken by ReceiveChar; 0 unless the port is open.
    std::uint32_t UnreadCount();
    // Queues all of data for sending, or raises and queues none of it.
    void SendString(const std::string& data);
    // The first pending line error (1 overflow, 2 overrun, 3 parity, 4 framing, 9 break).
    std::uint16_t LineError();
    // Whether a break was received since the last read; clears it.
    bool LineBreak();
    void ServiceDriver();

    // Copies settings, handlers, users and (from an open source) triggers; leaves Open False.
    void CopySettingsFrom(const TVexaCustomComPort& source);

    void AddPortUser(TPortUser user) { Users_.push_back(std::move(user)); }
    void SetWindowFactory(TWindowFactory factory) { WindowFactory_ = std::move(factory); }

    TPortState State() const { return State_; }

    // ---- which device the port number means ---------------------------------------------
    // The port's number is looked up in `map` (the process-wide PortMap() unless given
    // another, as tests do). The map must outlive the component.
    void UsePortMap(TPortMap& map) { PortMap_ = &map; }
    TPortMap& DeviceMap() const { return *PortMap_; }

    // The stable name (see stable_device_name.h) of the device the port was last opened
    // on, or "" when the next open may take whatever the number means. While it is set,
    // every open, after a device loss or any automatic reopen, goes to that device only:
    // to whatever kernel name the number or the stable name leads to now when it is the same
    // device, to nothing when it is absent (the open fails as for a missing device), and
    // never to another device: an open that would reach a different device than the bound
    // one raises EDeviceChanged, naming both. A change of ComNumber releases the binding.
    const std::string& BoundDevice() const { return BoundDevice_; }

    // The user confirmed the port settings: from now on the number's current device is the
    // port's device. An open port on another device is closed and opened on the number's
    // device (triggers kept, as for a change of ComNumber).
    void FollowPortNumber();

    // The device that went away under the open port (an adapter unplugged, the far end of a
    // pseudo-terminal closed), or "" when none has since the last open: the transfers only
    // see that replies stopped, which the user can tell from a dead instrument only by this.
    // It is the node the port opened ("/dev/ttyUSB0"), not the by-id link that led there:
    // udev removes the link with the device.
    const std::string& LostDevice() const { return LostDevice_; }

    // The notification window while a port is open, for the owner's event loop.
    IMessageTarget* NotifyWindow() const { return Window_.get(); }

  protected:
    // Overridable steps.
    virtual std::unique_ptr<TVexaBaseDispatcher> CreateDispatcher();
    virtual void DeviceLayerChanged() {}
    virtual std::int32_t OpenDevice();
    virtual void SetNotifyWindow(bool create);
    virtual void CheckComNumber();
    virtual void DoTrigger(std::uint16_t msg, std::uint16_t triggerHandle, std::uint16_t data);
    virtual void DoTriggerAvail(std::uint16_t count);
    virtual void DoTriggerData(std::uint16_t triggerHandle);
    virtual void DoTriggerStatus(std::uint16_t triggerHandle);
    virtual void DoTriggerTimer(std::uint16_t triggerHandle);
    virtual void UpdateHandlerState();
    virtual void DoTriggerLineError(std::uint16_t error, bool lineBreak);
    virtual void DoTriggerModemStatus();
    virtual void DoTriggerOutbuffFree();
    virtual void DoTriggerOutbuffUsed();
    virtual void DoTriggerOutSent();
    virtual void DoWaitChar(char c);
    virtual void ClosePort();
    virtual void OpenPort();
    virtual void NotifyPortOpened();
    virtual void NotifyPortClosing();
    void AfterLoad() override;

  private:
    // Sets the force flag for a scope and puts back what it was.
    class TForceGuard {
      public:
        explicit TForceGuard(TVexaCustomComPort& port) : Port_(port), Was_(port.Force_) {
            Port_.Force_ = true;
        }
        ~TForceGuard() { Port_.Force_ = Was_; }
        TForceGuard(const TForceGuard&) = delete;
        TForceGuard& operator=(const TForceGuard&) = delete;

      private:
        TVexaCustomComPort& Port_;
        bool Was_;
    };

    template <typename Event>
    void StoreEvent(Event& slot, Event handler) {
        slot = std::move(handler);
        UpdateHandlerState();
    }
    // Calls the handler, if one is assigned, with this component first.
    template <typename Event, typename... Args>
    void Raise(const Event& event, Args... args) {
        if (event) {
            event(*this, args...);
        }
    }

    std::int32_t Check(std::int32_t result);
    // Check for a result of putting the line settings into force.
    void CheckLine(std::int32_t result);
    TVexaBaseDispatcher& RequireDispatcher();
    bool Applying() const { return State_ == TPortState::Open && Dispatcher_ != nullptr; }
    bool Unchanged(bool equal) const { return equal && !Force_; }
    void ReapplySettings();
    void RestoreSavedTriggers();
    void SaveTriggers();
    void DestroyDispatcher();
    std::uint32_t LineFlags() const;
    void ApplyLine();
    std::uint16_t FlowThreshold(double fraction) const;
    void ApplyFlowThresholds(double fullFraction, double resumeFraction);
    void RerunFlowSetters();
    void RunTraceCommand(TTraceLogState value, bool log);
    std::int32_t HandleMessage(const TMessage& message);
    void DeliverTriggerMessage(const TMessage& message);
    void CompletePendingClose(const TMessage& message);
    void HandleDeviceLost();
    void Reopen();
    std::string DeviceToOpen() const;
    void NotifyPortUsers(bool opened);

    TDeviceLayer DeviceLayer_ = dlWin32;
    std::uint16_t ComNumber_ = 0;
    std::int32_t Baud_ = 19200;
    bool PromptForPort_ = true;
    TParity Parity_ = pNone;
    std::uint16_t DataBits_ = 8;
    std::uint16_t StopBits_ = 1;
    std::uint16_t InSize_ = 4096;
    std::uint16_t OutSize_ = 4096;
    bool AutoOpen_ = true;
    bool Open_ = false;
    bool DTR_ = true;
    bool RTS_ = true;
    THWFlowOptionSet HWFlowOptions_;
    TSWFlowOptions SWFlowOptions_ = swfNone;
    char XOnChar_ = 17;
    char XOffChar_ = 19;
    std::uint16_t BufferFull_ = 0;
    std::uint16_t BufferResume_ = 0;
    TTraceLogState Tracing_ = tlOff;
    std::uint32_t TraceSize_ = 10000;
    std::string TraceName_ = "VEXA.TRC";
    bool TraceHex_ = true;
    bool TraceAllHex_ = false;
    TTraceLogState Logging_ = tlOff;
    std::uint32_t LogSize_ = 10000;
    std::string LogName_ = "VEXA.LOG";
    bool LogHex_ = true;
    bool LogAllHex_ = false;
    bool UseMSRShadow_ = true;
    bool UseEventWord_ = true;
    std::uint16_t CommNotificationLevel_ = 10;
    TTapiMode TapiMode_ = tmAuto;
    bool RS485Mode_ = false;
    std::uint16_t AvailTriggerLength_ = 1;
    std::uint8_t PriorityBoost_ = 0;

    TTriggerEvent OnTrigger_;
    TTriggerAvailEvent OnTriggerAvail_;
    TTriggerHandleEvent OnTriggerData_;
    TTriggerHandleEvent OnTriggerStatus_;
    TTriggerHandleEvent OnTriggerTimer_;
    TTriggerLineErrorEvent OnTriggerLineError_;
    TNotifyEvent OnTriggerModemStatus_;
    TNotifyEvent OnTriggerOutbuffFree_;
    TNotifyEvent OnTriggerOutbuffUsed_;
    TNotifyEvent OnTriggerOutSent_;
    TWaitCharEvent OnWaitChar_;
    TNotifyEvent OnPortOpened_;
    TNotifyEvent OnPortClosing_;
    TNotifyEvent OnDeviceLost_;

    TPortState State_ = TPortState::Closed;
    bool Force_ = false;
    bool ReopenPending_ = false;
    bool Destroying_ = false;
    bool OpenAfterLoad_ = false;
    bool TriggersSaved_ = false;
    TTriggerSet SavedTriggers_;
    std::vector<TPortUser> Users_;
    TWindowFactory WindowFactory_;
    std::unique_ptr<IMessageTarget> Window_;
    // Windows let go from inside their own handler, destroyed at the next safe moment.
    std::vector<std::unique_ptr<IMessageTarget>> RetiredWindows_;
    int HandlerDepth_ = 0;
    std::string DevicePath_;
    std::string BoundDevice_;
    std::string OpenNode_;
    std::string LostDevice_;
    TPortMap* PortMap_;
    std::unique_ptr<TTraceLogRecorder> Recorder_;
    std::unique_ptr<TVexaBaseDispatcher> Dispatcher_;
};

}  // namespace norvane::serial
