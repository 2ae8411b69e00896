#pragma once
// TVexaBaseDispatcher: the device-independent half of one open serial port.
//
// A dispatcher keeps the bytes received from its device in a ring of its own, watches them
// for the data triggers the port component registered, and turns arrivals and matches into
// notifications that it sends to the attached message targets (the component's notification
// window). It also queues outgoing bytes in its output ring for the device. It owns the open
// device (a TLineDevice, the only platform seam) and calls it itself. The concrete
// dispatcher (the driver) says which kind of device a name calls for and runs the worker
// threads that wait on it; this class holds everything the driver and the component share.
//
// Threads:
// - The user-interface thread calls everything the component needs: CloseComPort, TakeChar,
//   PeekAt, UnreadCount, FlushInput, QueueOutput, the status queries and the trigger and
//   handler operations. Notification handlers run on it too, and may call any of these.
// - The dispatch thread runs the cycle: ProcessComEvent and ProcessTimers, which call
//   FillDispatchBuffer, ScanDataTriggers and DeliverNotification. Only that thread may call
//   those five; they keep the scan position and the last avail position to themselves.
//   When one window alone takes the notifications and something is to be reported, the
//   dispatch thread hands that role to the window's thread instead, for as long as steps of
//   the scan follow each other there (scan_relay.h): meanwhile the window's thread fills the
//   ring, scans and delivers, and the dispatch thread only notes arrivals. With several
//   windows the dispatch thread keeps the role and sends each notification to each window.
// - Any thread may set close pending (through CloseComPort) and the ring-seen flag.
//
// Locks, taken in this order: input lock, output lock, data lock (all recursive), then the
// device lock (open_device.h). The input lock guards the ring, its read position and the
// take counts; the output lock guards the output ring (the driver's output thread writes
// from it under the same lock); the data lock guards the trigger table, threshold and handle
// counter, the handler list and flags, the notification state, the modem status, the
// recorder and the line control. QueueOutput gives up the output lock before it takes the
// data lock. No lock is held while a handler runs.
//
// Results follow the serial layer's convention: 0 or a positive value on success, a negated
// code of error_codes.h on failure. Nothing here throws for an ordinary failure.
//
// Left out, because nothing in this program creates them: timer triggers, status triggers,
// and procedure or method handlers. The only notification receivers are message targets and
// the only triggers are data triggers and the avail threshold; the dispatch cycle's steps
// for the others therefore have nothing to do and are not built.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "serial/dispatch/data_trigger.h"
#include "serial/dispatch/device_control_block.h"
#include "serial/dispatch/line_control.h"
#include "serial/dispatch/line_device.h"
#include "serial/dispatch/line_status_bits.h"
#include "serial/dispatch/message_target.h"
#include "serial/dispatch/open_device.h"
#include "serial/dispatch/output_ring.h"
#include "serial/dispatch/receive_ring.h"
#include "serial/dispatch/scan_relay.h"
#include "serial/dispatch/trigger_table.h"
#include "serial/errors/errno_mapping.h"
#include "serial/trace/dispatch_recorder.h"

namespace norvane::serial {

class TVexaCustomComPort;

// The driver's status words, as ReadLineStatus refreshes them.
struct TDriverStatus {
    std::uint32_t Flags = 0;     // the device's status flags
    std::uint32_t InQueue = 0;   // bytes waiting in the device's input queue
    std::uint32_t OutQueue = 0;  // bytes waiting in the output ring
};

class TVexaBaseDispatcher {
  public:
    static constexpr std::uint32_t kDispatchRingSize = 8192;
    // How long a notification waits for a target's thread to pick it up.
    static constexpr std::chrono::milliseconds kNotificationTimeout{3000};

    // Device events, as the driver reports them to ProcessComEvent.
    static constexpr std::uint32_t kEventCtsChange = 0x0008;
    static constexpr std::uint32_t kEventDsrChange = 0x0010;
    static constexpr std::uint32_t kEventDcdChange = 0x0020;
    static constexpr std::uint32_t kEventBreak = 0x0040;
    static constexpr std::uint32_t kEventError = 0x0080;
    static constexpr std::uint32_t kEventRing = 0x0100;
    static constexpr std::uint32_t kEventRingTrailingEdge = 0x2000;

    // SetHandlerFlags modes.
    static constexpr std::int32_t kHandlersRecompute = 0;
    static constexpr std::int32_t kHandlersInstalled = 1;
    static constexpr std::int32_t kHandlersRemoved = 2;

    // Registers in the process-wide registry (lowest free slot). owner may be null (a
    // dispatcher used only to probe for a port). No device, no ring, no triggers.
    explicit TVexaBaseDispatcher(TVexaCustomComPort* owner);
    // Leaves the registry. The concrete dispatcher's destructor must have called Shutdown():
    // its threads cannot be stopped from here.
    virtual ~TVexaBaseDispatcher();
    TVexaBaseDispatcher(const TVexaBaseDispatcher&) = delete;
    TVexaBaseDispatcher& operator=(const TVexaBaseDispatcher&) = delete;

    TVexaCustomComPort* Owner() const { return Owner_; }
    std::int32_t RegistryIndex() const { return RegistryIndex_; }

    // ---- Opening (user-interface thread) ----

    // lineFlags of OpenComPort.
    static constexpr std::uint32_t kLineDtrOn = TLineControl::kLineDtrOn;
    static constexpr std::uint32_t kLineRtsOn = TLineControl::kLineRtsOn;
    static constexpr std::uint32_t kLineDtrByFlow = TLineControl::kLineDtrByFlow;
    static constexpr std::uint32_t kLineRtsByFlow = TLineControl::kLineRtsByFlow;

    // Opens the device deviceName (a path), sets DTR and RTS as lineFlags say, applies the
    // line settings (ConfigureLine's arguments, sentinels included; the line is made raw and
    // without flow control even when the device has the requested settings already) and
    // starts the worker
    // threads; the ring is empty and there are no triggers. 0 on success. On failure
    // everything done so far is undone and the result is the cause: the open's error as
    // errno_mapping.h words it (-ecFileNotFound when there is no such device,
    // -ecAccessDenied when another program holds it, a host-range code for which
    // IsPermissionDenied is true when the user may not use it), ConfigureLine's error, or
    // -ecOutOfMemory when the threads cannot be started. -ecAlreadyOpen, leaving the open
    // port as it is, when this dispatcher has a device open already.
    std::int32_t OpenComPort(const std::string& deviceName, std::uint32_t baud, std::uint8_t parity,
                             std::uint8_t dataBits, std::uint8_t stopBits, std::uint32_t inSize,
                             std::uint32_t outSize, std::uint32_t lineFlags);
    // What the device's last failed open or line setting ran into, in words that follow its
    // name and a colon, where the result code says too little (a network server's refusal
    // in its own words); empty otherwise.
    std::string DeviceFailureText() const { return Device_.FailureText(); }

    // ---- Closing (user-interface thread, or a handler) ----

    // Flushes both directions and closes the device (if open). Called from inside a
    // notification, it only marks the close pending: the ring stays valid until the dispatch
    // thread has finished the notification and ended, and the driver then calls
    // ReleaseBuffers. Otherwise ReleaseBuffers runs now. Returns CloseComHandle's result.
    std::int32_t CloseComPort();

    // Whether the device went away while open (unplugged, hung up): then every attached
    // window has been posted MsgDeviceLost and the port must be closed. Any thread.
    bool DeviceLost() const { return Lost_.load(); }
    // The result code of the loss (0 while not lost). Any thread.
    std::int32_t LossCause() const { return LossCause_.load(); }
    // Gives up the rest of the time slice. 0.
    std::int32_t YieldTime();

    // Whether a notification is being delivered right now. Any thread.
    bool InNotification();
    // Whether a close was requested during a notification. Any thread.
    bool ClosePending() const { return ClosePending_.load(); }

    // ---- Received bytes (any thread; in practice the user-interface thread) ----

    // The next unread byte (0..255), or -ecBufferIsEmpty with nothing changed. Outside a
    // notification the byte is consumed. During an avail or data notification it is only
    // counted: successive calls walk through the unread bytes, and the dispatcher consumes
    // them once the notification is over (see DeliverNotification).
    std::int32_t TakeChar();
    // The n-th byte (n from 1) at the current read position without taking it;
    // -ecBufferIsEmpty when fewer than n bytes are unread, -ecBadArgument for n below 1.
    std::int32_t PeekAt(std::int32_t n);
    // Unread bytes, not counting those taken so far during the current notification.
    std::uint32_t UnreadCount();
    // Discards the device's input queue and every unread byte, and resets every data
    // trigger's partial matches. During a notification the ring is emptied when the
    // notification ends. 0 (also while no device is open) or the device's error; the ring
    // is emptied either way.
    std::int32_t FlushInput();

    // ---- Output (any thread) ----

    // Queues `count` bytes in the output ring and wakes the driver's output thread. 0
    // queues nothing and returns 0. -ecOutputBufferTooSmall when they do not fit in the
    // room left, -ecPutBlockFail when there is no output ring (no open), -ecBadArgument for
    // a null pointer; in all three cases nothing is queued. Otherwise 0. After the device
    // went away the bytes are taken and dropped, the way a line without a listener takes
    // them. RS-485 transmit switching is left to the serial driver (it toggles RTS itself),
    // so no UART base address is needed here.
    std::int32_t QueueOutput(const std::uint8_t* bytes, std::uint32_t count);
    std::uint32_t OutputPending();
    std::uint32_t OutputRoom();
    // Discards the output ring and the device's output queue. 0 (also while no device is
    // open) or the device's error.
    std::int32_t FlushOutput();

    // ---- Line and modem status (any thread) ----

    // Reads the modem lines into the high nibble of the status byte (a ring seen since the
    // last call sets the RI change bit) and returns the byte; the stored byte is then ANDed
    // with mask, so 0xF0 clears the change bits.
    std::uint8_t RefreshModemStatus(std::uint8_t mask);
    // Refreshes the modem status and adds change bits for every line that changed. Returns
    // the status byte with the accumulated change bits.
    std::uint8_t ReadModemChanges();
    // Refreshes the driver status and adds the device's error bits to the line errors.
    TDriverStatus ReadLineStatus();
    // The most urgent pending line error, clearing the four error bits: 1 queue overflow,
    // 2 overrun, 3 parity, 4 framing; else 9 for a break (which stays set for ReadBreak);
    // else 0.
    std::int32_t ReadLineError();
    // Whether a break was received since the last call; clears it.
    bool ReadBreak();

    // ---- Line settings (any thread; the data lock is taken inside) ----
    //
    // The operations of this port's TLineControl, of the same names; line_control.h states
    // each one's contract. They work on the device control block: read from the device,
    // changed, written back. While no device is open they fail with -ecCommNotOpen.

    // ConfigureLine's sentinels: keep what the device has.
    static constexpr std::uint32_t kKeepBaud = TLineControl::kKeepBaud;
    static constexpr std::uint8_t kKeepParity = TLineControl::kKeepParity;
    static constexpr std::uint8_t kKeepDataBits = TLineControl::kKeepDataBits;
    static constexpr std::uint8_t kKeepStopBits = TLineControl::kKeepStopBits;

    // TLineControl::ChangeLine outside an open.
    std::int32_t ConfigureLine(std::uint32_t baud, std::uint8_t parity, std::uint8_t dataBits,
                               std::uint8_t stopBits);

    using TDeviceLine = TLineControl::TDeviceLine;
    std::int32_t QueryLine(TDeviceLine& line);

    std::int32_t SetDtrLine(bool on);
    std::int32_t SetRtsLine(bool on);

    // ConfigureHardwareFlow options.
    static constexpr std::uint32_t kFlowUseDtr = TLineControl::kFlowUseDtr;
    static constexpr std::uint32_t kFlowUseRts = TLineControl::kFlowUseRts;
    static constexpr std::uint32_t kFlowRequireDsr = TLineControl::kFlowRequireDsr;
    static constexpr std::uint32_t kFlowRequireCts = TLineControl::kFlowRequireCts;
    // ConfigureSoftwareFlow options.
    static constexpr std::uint32_t kFlowXonXoffOut = TLineControl::kFlowXonXoffOut;
    static constexpr std::uint32_t kFlowXonXoffIn = TLineControl::kFlowXonXoffIn;

    std::int32_t ConfigureHardwareFlow(std::uint32_t bufferFull, std::uint32_t bufferResume,
                                       std::uint32_t options);
    std::int32_t ConfigureSoftwareFlow(std::uint32_t bufferFull, std::uint32_t bufferResume,
                                       std::uint32_t options);
    std::int32_t DisableFlow();
    std::int32_t SetFlowChars(char xon, char xoff);

    using TFlowSettings = TLineControl::TFlowSettings;
    std::int32_t QueryFlow(TFlowSettings& flow);

    // The device's queue sizes. The kernel sizes a tty's queues itself, so they are
    // accepted and ignored: 0.
    std::int32_t SetInQueueSize(std::uint32_t inSize);
    std::int32_t SetOutQueueSize(std::uint32_t outSize);
    std::int32_t SetQueueSizes(std::uint32_t inSize, std::uint32_t outSize);

    // RS-485: the serial driver switches the transmitter with RTS around each sending,
    // where it can; where it cannot, the mode is still recorded and RTS is left alone.
    // 0 or the device's error.
    std::int32_t SetRs485Mode(bool on);
    bool Rs485Mode();

    // Worker thread priorities on the seven-step scale (0 idle ... 3 normal ... 6 time
    // critical): the com and dispatch threads get base + 3, the output thread base + 4 in
    // RS-485 mode, else base + 3. Nothing happens when base is unchanged. Failures (no
    // permission to raise a priority) are ignored.
    void SetThreadPriority(std::uint8_t base);
    std::uint8_t ThreadPriorityBase();

    // What the transmit-drain wait sleeps with; std::this_thread::sleep_for unless a test
    // puts a recorder in. Not while a ConfigureLine runs.
    using TSleepFunction = TLineControl::TSleepFunction;
    void SetSleepFunction(TSleepFunction sleep);

    // ---- Triggers (any thread; the data lock is taken inside) ----

    // Adds a data trigger on `length` bytes and returns its handle (a multiple of 8).
    // -ecTriggerTooLong above kMaxDataTriggerLength bytes and -ecBadArgument for a null
    // pointer with a length, both without using up a handle; -ecNoMoreTriggers when every
    // 16-bit handle is in use. Length 0 is accepted and never matches.
    std::int32_t NewDataTrigger(const std::uint8_t* bytes, std::uint32_t length, bool ignoreCase);
    // Sets the avail threshold: an avail notification is due once at least n bytes are
    // unread. 0 switches avail notifications off.
    void SetAvailThreshold(std::uint32_t n);
    std::uint32_t AvailThreshold();
    // Removes every trigger, sets the threshold to 0 and starts handles again at 8.
    void ClearTriggers();
    // Replaces set's contents with a copy of the threshold and the trigger table.
    void SaveTriggerSet(TTriggerSet& set);
    // Replaces the threshold and the trigger table by copies of set's. The restored triggers
    // start unmatched, whatever match state the set carries. Handles issued later never
    // collide with the restored ones. -ecBadArgument, with nothing changed, if a record
    // is longer than kMaxDataTriggerLength; else 0.
    std::int32_t RestoreTriggerSet(const TTriggerSet& set);
    // Releases what set holds.
    static void FreeTriggerSet(TTriggerSet& set);

    // ---- Handlers (any thread) ----

    // Adds window as a receiver of notifications. The dispatcher does not own it; window must
    // stay alive until it is detached and no notification is being delivered.
    void AttachWindow(IMessageTarget* window);
    // Removes the first entry for window. During a notification the entry is only marked and
    // goes when the notification ends, so window must stay alive until then.
    void DetachWindow(IMessageTarget* window);
    // kHandlersRecompute: the handler service is needed if more than one window is attached or the
    // port handler is installed. kHandlersInstalled: the port component has event handlers, so its
    // one window is served. kHandlersRemoved: it has none any more.
    virtual void SetHandlerFlags(std::int32_t mode);
    // Attaches the trace and log recorder, or detaches it (nullptr). Not owned; must stay
    // alive while attached.
    void AttachRecorder(IDispatchRecorder* recorder);

    // ---- Dispatch cycle (dispatch thread only) ----

    // Reads what the device has queued into the ring, as much as fits. Returns false when
    // there was nothing to read (or no ring), true otherwise, including when the ring is full.
    bool FillDispatchBuffer();
    // Matches unscanned bytes against the data triggers and issues avail and data
    // notifications. Reports at most one matching position per call; returns whether the
    // caller should call again. Once a handler has closed the port, no further trigger of
    // that position is reported. Every line reaches the handlers as avail (the bytes before
    // the trigger string), data, avail: when the first avail reaches no handler, the
    // position's triggers are held back and the two are tried again by the next call.
    bool ScanDataTriggers();
    // Delivers one notification to every attached window, waiting for each handler. During
    // an avail or data notification handlers read without consuming; afterwards the largest
    // number of bytes any handler took is consumed. A window whose thread does not pick the
    // message up within kNotificationTimeout is skipped and counts as having taken nothing.
    // Returns false when scanning should stop for this cycle: close became pending, or an
    // avail handler took a different number of bytes than offered.
    bool DeliverNotification(std::uint32_t message, std::uint32_t first, std::uint16_t value);
    // One cycle after a device event: updates modem and line status for the events in
    // eventMask, fills the ring and, unless a notification is under way, scans until there
    // is nothing more to report, or relays that scan to the one window's thread and returns
    // at once. While a relayed scan goes on, it only notes the arrival for the relay to
    // read. Returns false when it found close pending before a scan (the driver then does
    // not signal the cycle as done), true otherwise, also when the last scan itself ended
    // because a handler closed the port.
    bool ProcessComEvent(std::uint32_t eventMask);
    // The timer cycle. Without timer and status triggers nothing can fire; returns false.
    bool ProcessTimers();

    // ---- The driver: the kind of device and the threads that wait on it ----

    // Opens the named device (the kind MakeDevice calls for) and makes the output ring of
    // outSize bytes; the descriptor (0 or above) or a negated error. A probe may call this
    // and CloseComHandle alone, without threads.
    virtual std::int32_t OpenComHandle(const std::string& name, std::uint32_t inSize,
                                       std::uint32_t outSize) = 0;
    // Stops the worker threads' use of the device and closes it. 0 or a negated error.
    virtual std::int32_t CloseComHandle() = 0;
    // Why a worker thread ended by an exception (a sentence naming the thread and the
    // failure), once: later calls give nothing. Any thread. Base: nothing.
    virtual std::optional<std::string> TakeWorkerFailure();
    // Whether worker threads started by StartThreads are still running: a dispatcher whose
    // close completes on its dispatch thread may be destroyed only once this is false. Any
    // thread. Base: no threads.
    virtual bool ThreadsStarted() const;
    // Starts the worker threads; the last step of the open sequence.
    virtual void StartThreads() = 0;
    // Stops the worker threads and waits for them; nothing if they are not running. A
    // user-interface thread waiting here must keep delivering its message targets' messages.
    virtual void StopThreads() = 0;
    // Stops the threads (if running) and frees the rings. After a close from inside a
    // notification the driver calls it from the ending dispatch thread, whose StopThreads
    // must then not wait for that thread itself. Afterwards reads find an empty ring.
    virtual void ReleaseBuffers();

  protected:
    // For the driver's open sequence, before its threads start: allocates the ring and
    // resets the ring, notification and status state and the triggers (ClearTriggers).
    void PrepareOpen();
    // For the concrete dispatcher's destructor: releases the buffers if a close is pending,
    // else closes the port.
    void Shutdown();

    // The kind of device `name` calls for, not opened.
    virtual std::unique_ptr<TLineDevice> MakeDevice(const std::string& name) = 0;
    // Output was queued: the output thread should write it. Called with the output lock
    // held.
    virtual void OutputQueued() = 0;
    // A relayed scan came back to the dispatch thread (scan_relay.h): it should run a cycle
    // soon, not at its next arrival. Any thread. Base: nothing.
    virtual void ScanHandedBack();
    // The dispatch thread, when it ends: stops a relayed scan, so that no step of it runs
    // after this returns.
    void EndScanRelay();
    // The driver's part of a loss, once, after DeviceLost() turned true: every thread leaves
    // its wait. Any thread. Base: nothing.
    virtual void DeviceLostNoted();

    // For OpenComHandle: opens the device MakeDevice gives for name, clears a past loss and
    // makes the output ring. The descriptor, or the failure's result code.
    std::int32_t OpenDevice(const std::string& name, std::uint32_t outSize);
    // Closes the device; 0 or the close's result code. The port handle turns invalid.
    std::int32_t CloseDevice();
    TOpenDevice& Device() { return Device_; }
    // The output ring; null while none. With the output lock held.
    TOutputRing* OutputRing() { return OutRing_.get(); }
    // Empties the output ring. Takes the output lock.
    void DropQueuedOutput();
    // A device function failed with -err: a failure that means the device is gone
    // (IsDeviceGone) marks it lost.
    void NoteDeviceError(int err, TIoDirection direction);
    // Marks the device lost with `cause` (the first cause stays) and, the first time, calls
    // DeviceLostNoted. Any thread.
    void NoteDeviceLost(std::int32_t cause);

    void SetPortHandle(std::int32_t handle) { PortHandle_.store(handle); }
    std::int32_t PortHandle() const { return PortHandle_.load(); }
    bool PortOpen() const { return PortHandle_.load() >= 0; }
    // The device reported a ring; the next RefreshModemStatus folds it in. Any thread.
    void NoteRingSeen() { RingSeen_.store(true); }

    // Gives the worker threads the priorities SetThreadPriority and SetRs485Mode call for.
    // Called with the data lock held. Base: no threads, nothing to do.
    virtual void ApplyThreadPriorities();
    // Queues message for every attached window without waiting. Any thread.
    void PostToWindows(const TMessage& message);
    // Delivers what is waiting for the attached windows (IMessageTarget::DeliverPending).
    // Only on the windows' owning thread.
    std::size_t DeliverPendingToWindows();

    std::recursive_mutex& InputLock() { return InputLock_; }
    std::recursive_mutex& OutputLock() { return OutputLock_; }
    std::recursive_mutex& DataLock() { return DataLock_; }

  private:
    struct TWindowHandler {
        IMessageTarget* Window = nullptr;
        bool Deleted = false;
    };
    // A match whose report waits for its avail notification to reach a handler.
    struct TPendingMatch {
        std::uint64_t Position = 0;
        std::uint32_t Longest = 0;
    };
    TDriverStatus RefreshDriverStatus();
    std::uint32_t ReadStretch(std::span<std::uint8_t> stretch);
    std::int32_t ReadDevice(std::uint8_t* buffer, std::uint32_t count);
    std::uint32_t PendingOutput();
    std::uint8_t ModemLines();
    std::uint8_t RingByte(std::uint64_t position);
    bool ReportMatch(std::uint64_t position, std::uint32_t longest);
    bool ReportMatchedDataTriggers(bool result);
    bool OfferUnread(std::uint64_t head);
    std::uint32_t UnreadToOffer(std::uint64_t head);
    bool ScanRelayed();
    bool RelayScan();
    TScanRelay::TTurn RelayedScanStep(IMessageTarget& window, bool refill);
    IMessageTarget* SoleWindow();
    bool SomethingToReport();
    bool DeliverToWindows(const TMessage& message);
    void CommitTakenBytes(std::uint32_t message, std::uint32_t offered, bool& result);
    void EndNotification();
    std::int32_t FailOpen(std::int32_t result);
    void LogEntry(TLogType type, TLogSubtype subtype, std::uint32_t data,
                  std::span<const std::uint8_t> bytes = {});

    TVexaCustomComPort* const Owner_;
    const std::int32_t RegistryIndex_;
    std::atomic<std::int32_t> PortHandle_{-1};

    std::atomic<bool> Lost_{false};
    std::atomic<std::int32_t> LossCause_{0};

    std::recursive_mutex InputLock_;
    std::recursive_mutex OutputLock_;
    std::recursive_mutex DataLock_;

    // Input lock.
    TReceiveRing Ring_{kDispatchRingSize};
    // Output lock.
    std::unique_ptr<TOutputRing> OutRing_;

    // The scanning thread only: the dispatch thread, or the window thread it relays to.
    std::uint64_t ScanCount_ = 0;       // next byte the data triggers have not seen
    std::uint64_t LastAvailCount_ = 0;  // scan position of the last avail notification
    std::optional<TPendingMatch> PendingMatch_;
    bool NotificationReached_ = true;  // the last notification ran at least one handler

    // Dispatch thread only: the scan relayed to a window's thread, while it may go on.
    std::shared_ptr<TScanRelay> Relay_;

    // Data lock.
    TTriggerTable Triggers_;
    std::vector<TWindowHandler> Windows_;
    bool PortHandlerInstalled_ = false;
    bool HandlerServiceNeeded_ = false;
    bool InNotification_ = false;
    bool HandlersDeleted_ = false;
    std::uint8_t ModemStatus_ = 0;
    IDispatchRecorder* Recorder_ = nullptr;
    std::uint8_t PriorityBase_ = 0;
    // Device lock (taken inside); the driver's MakeDevice gives the kind at each open.
    TOpenDevice Device_;
    // Data lock (taken inside): the line state.
    TLineControl Line_;

    // Set or read by several threads without a lock.
    std::atomic<bool> ClosePending_{false};
    std::atomic<bool> RingSeen_{false};
    std::atomic<std::uint32_t> LineErrors_{0};
};

}  // namespace norvane::serial
