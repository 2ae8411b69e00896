// TVexaBaseDispatcher: the trigger table, the handlers, notification delivery and the
// dispatch cycle.
#include <algorithm>
#include <cstdint>

#include "serial/dispatch/base_dispatcher.h"
#include "serial/dispatch/notification_messages.h"
#include "serial/errors/error_codes.h"

namespace norvane::serial {

namespace {

// A 32-bit tag for a window in the dispatch log; the log only needs to tell windows apart.
std::uint32_t WindowTag(const IMessageTarget* window) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}

}  // namespace

void TVexaBaseDispatcher::LogEntry(TLogType type, TLogSubtype subtype, std::uint32_t data,
                                   std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(DataLock_);
    if (Recorder_ != nullptr) {
        Recorder_->AddLogEntry(type, subtype, data, bytes);
    }
}

void TVexaBaseDispatcher::AttachRecorder(IDispatchRecorder* recorder) {
    std::lock_guard lock(DataLock_);
    Recorder_ = recorder;
}

// ---- Triggers ----

std::int32_t TVexaBaseDispatcher::NewDataTrigger(const std::uint8_t* bytes, std::uint32_t length,
                                                 bool ignoreCase) {
    if (length > kMaxDataTriggerLength) {
        return -ecTriggerTooLong;
    }
    if (bytes == nullptr && length > 0) {
        return -ecBadArgument;
    }
    std::lock_guard lock(DataLock_);
    const std::int32_t handle = Triggers_.Add(bytes, length, ignoreCase);
    if (handle < 0) {
        return handle;
    }
    LogEntry(ltTrigAllc, lsDataTrigger, static_cast<std::uint32_t>(handle),
             std::span<const std::uint8_t>(bytes, length));
    return handle;
}

void TVexaBaseDispatcher::SetAvailThreshold(std::uint32_t n) {
    std::lock_guard lock(DataLock_);
    Triggers_.SetAvailThreshold(n);
    LogEntry(ltTrDatChg, lsAvailTrigger, n);
}

std::uint32_t TVexaBaseDispatcher::AvailThreshold() {
    std::lock_guard lock(DataLock_);
    return Triggers_.AvailThreshold();
}

void TVexaBaseDispatcher::ClearTriggers() {
    std::lock_guard lock(DataLock_);
    Triggers_.Clear();
}

void TVexaBaseDispatcher::SaveTriggerSet(TTriggerSet& set) {
    std::lock_guard lock(DataLock_);
    Triggers_.Save(set);
}

std::int32_t TVexaBaseDispatcher::RestoreTriggerSet(const TTriggerSet& set) {
    const bool valid = std::all_of(
        set.DataTriggers.begin(), set.DataTriggers.end(),
        [](const TDataTrigger& trigger) { return trigger.Length <= kMaxDataTriggerLength; });
    if (!valid) {
        return -ecBadArgument;
    }
    std::lock_guard lock(DataLock_);
    Triggers_.Restore(set);
    return 0;
}

void TVexaBaseDispatcher::FreeTriggerSet(TTriggerSet& set) {
    set.AvailThreshold = 0;
    std::vector<TDataTrigger>().swap(set.DataTriggers);
}

// ---- Handlers ----

void TVexaBaseDispatcher::AttachWindow(IMessageTarget* window) {
    std::lock_guard lock(DataLock_);
    Windows_.push_back(TWindowHandler{window, false});
    HandlerServiceNeeded_ = true;
    LogEntry(ltTrgHdAlc, lsWindow, WindowTag(window));
}

void TVexaBaseDispatcher::DetachWindow(IMessageTarget* window) {
    std::lock_guard lock(DataLock_);
    auto entry = std::find_if(Windows_.begin(), Windows_.end(), [window](const TWindowHandler& h) {
        return h.Window == window && !h.Deleted;
    });
    if (entry == Windows_.end()) {
        SetHandlerFlags(kHandlersRecompute);
        return;
    }
    LogEntry(ltTrgHdDsp, lsWindow, WindowTag(window));
    if (InNotification_) {
        entry->Deleted = true;
        HandlersDeleted_ = true;
    } else {
        Windows_.erase(entry);
    }
}

void TVexaBaseDispatcher::SetHandlerFlags(std::int32_t mode) {
    std::lock_guard lock(DataLock_);
    const bool others = Windows_.size() > 1;
    switch (mode) {
        case kHandlersRecompute:
            HandlerServiceNeeded_ = others || PortHandlerInstalled_;
            break;
        case kHandlersInstalled:
            PortHandlerInstalled_ = true;
            HandlerServiceNeeded_ = true;
            break;
        case kHandlersRemoved:
            PortHandlerInstalled_ = false;
            HandlerServiceNeeded_ = others;
            break;
        default:
            break;
    }
}

// ---- Notification delivery ----

bool TVexaBaseDispatcher::DeliverNotification(std::uint32_t message, std::uint32_t first,
                                              std::uint16_t value) {
    NotificationReached_ = true;  // nobody to serve counts as served
    {
        std::lock_guard lock(DataLock_);
        if (!HandlerServiceNeeded_) {
            return true;
        }
        InNotification_ = true;
    }
    const bool offersBytes = message == MsgTriggerAvail || message == MsgTriggerData;
    {
        std::lock_guard lock(InputLock_);
        Ring_.BeginOffer(offersBytes);
    }
    bool result =
        DeliverToWindows(TMessage{message, first, NotificationSecond(RegistryIndex_, value)});
    if (result && offersBytes) {
        CommitTakenBytes(message, first, result);
    }
    EndNotification();
    return result;
}

// Sends message to each live window in turn. A single window is served only while the port
// component has event handlers. False as soon as close has become pending. Records whether
// any window's handler ran.
bool TVexaBaseDispatcher::DeliverToWindows(const TMessage& message) {
    {
        std::lock_guard lock(DataLock_);
        if (Windows_.size() <= 1 && !PortHandlerInstalled_) {
            return true;
        }
    }
    NotificationReached_ = false;
    for (std::size_t i = 0;; ++i) {
        IMessageTarget* window = nullptr;
        {
            std::lock_guard lock(DataLock_);
            if (i >= Windows_.size()) {
                return true;
            }
            if (Windows_[i].Deleted) {
                continue;
            }
            window = Windows_[i].Window;
        }
        {
            std::lock_guard lock(InputLock_);
            Ring_.BeginHandler();
        }
        if (window->Send(message, kNotificationTimeout).Delivered()) {
            NotificationReached_ = true;
        }
        if (ClosePending_.load()) {
            return false;
        }
        std::lock_guard lock(InputLock_);
        Ring_.EndHandler();
    }
}

// Consumes what the handlers read: every handler saw the same bytes, so the most any of them
// took is what is gone. An avail handler that took a different number than offered stops
// scanning for this cycle.
void TVexaBaseDispatcher::CommitTakenBytes(std::uint32_t message, std::uint32_t offered,
                                           bool& result) {
    std::lock_guard lock(InputLock_);
    const std::uint32_t taken = Ring_.CommitOffer();
    if (message == MsgTriggerAvail && taken != offered) {
        result = false;
    }
}

void TVexaBaseDispatcher::EndNotification() {
    {
        std::lock_guard lock(InputLock_);
        Ring_.EndOffer();
    }
    std::lock_guard lock(DataLock_);
    InNotification_ = false;
    if (HandlersDeleted_) {
        std::erase_if(Windows_, [](const TWindowHandler& h) { return h.Deleted; });
        HandlersDeleted_ = false;
        SetHandlerFlags(kHandlersRecompute);
    }
}

// ---- Scanning ----

bool TVexaBaseDispatcher::ScanDataTriggers() {
    std::uint64_t head = 0;
    std::uint64_t oldest = 0;
    {
        std::lock_guard lock(InputLock_);
        if (!Ring_.Allocated()) {
            return false;
        }
        head = Ring_.Head();
        oldest = Ring_.Oldest();
    }
    // Bytes taken outside a notification may let the head lap an unscanned byte; what was
    // overwritten can no longer be matched.
    ScanCount_ = std::max(ScanCount_, oldest);
    if (PendingMatch_) {
        const TPendingMatch pending = *PendingMatch_;
        return ReportMatch(pending.Position, pending.Longest);
    }
    while (ScanCount_ != head) {
        const std::uint8_t byte = RingByte(ScanCount_);
        TTriggerTable::TMatchStep step;
        {
            std::lock_guard lock(DataLock_);
            step = Triggers_.Match(byte);
        }
        if (step.Any) {
            return ReportMatch(ScanCount_, step.Longest);
        }
        ++ScanCount_;
    }
    return OfferUnread(head);
}

// The byte at `position` completed at least one data trigger, the longest of them `longest`
// bytes long. First the bytes before that trigger string are offered (if the threshold asks
// for it), then each completed trigger is reported, the most recently added first.
//
// When the offer reached no handler (the receiving thread did not pick it up in time), the
// match is kept and the whole report tried again at the next cycle: reporting the trigger
// now would end a line whose bytes nobody has seen, and they would come after it.
bool TVexaBaseDispatcher::ReportMatch(std::uint64_t position, std::uint32_t longest) {
    PendingMatch_.reset();
    bool result = true;
    const std::uint32_t threshold = AvailThreshold();
    if (threshold != 0 && LastAvailCount_ != position) {
        std::int64_t before = 0;
        {
            std::lock_guard lock(InputLock_);
            before = static_cast<std::int64_t>(position + 1) -
                     static_cast<std::int64_t>(Ring_.Tail()) - static_cast<std::int64_t>(longest);
        }
        if (before >= static_cast<std::int64_t>(threshold)) {
            const auto count = static_cast<std::uint32_t>(before);
            LogEntry(ltTrigger, lsAvail, count);
            result = DeliverNotification(MsgTriggerAvail, count, 0);
            if (!NotificationReached_ && !ClosePending_.load()) {
                PendingMatch_ = TPendingMatch{position, longest};
                return false;
            }
            LastAvailCount_ = position;
        }
    }
    result = ReportMatchedDataTriggers(result);
    ScanCount_ = position + 1;
    return result;
}

// Walks the table from the end, so that a handler adding a trigger does not disturb the walk,
// and stops if a handler shrank the table below the walk, or closed the port.
bool TVexaBaseDispatcher::ReportMatchedDataTriggers(bool result) {
    std::size_t index = 0;
    {
        std::lock_guard lock(DataLock_);
        index = Triggers_.Size();
    }
    while (index-- > 0 && !ClosePending_.load()) {
        std::uint32_t handle = 0;
        std::uint32_t length = 0;
        {
            std::lock_guard lock(DataLock_);
            if (index >= Triggers_.Size()) {
                break;
            }
            const std::optional<TTriggerTable::TMatchedTrigger> matched =
                Triggers_.TakeMatch(index);
            if (!matched) {
                continue;
            }
            handle = matched->Handle;
            length = matched->Length;
            LogEntry(ltTrigger, lsData, handle);
        }
        result = DeliverNotification(MsgTriggerData, handle, static_cast<std::uint16_t>(length));
    }
    return result;
}

// Everything is scanned: offers all unread bytes once per head position, if there are
// enough of them.
bool TVexaBaseDispatcher::OfferUnread(std::uint64_t head) {
    const std::uint32_t count = UnreadToOffer(head);
    if (count == 0) {
        return false;
    }
    LogEntry(ltTrigger, lsAvail, count);
    LastAvailCount_ = head;
    return DeliverNotification(MsgTriggerAvail, count, 0);
}

// ---- Dispatch cycle ----

bool TVexaBaseDispatcher::ProcessComEvent(std::uint32_t eventMask) {
    constexpr std::uint32_t kModemEvents =
        kEventCtsChange | kEventDsrChange | kEventDcdChange | kEventRing | kEventRingTrailingEdge;
    constexpr std::uint32_t kLineEvents = kEventBreak | kEventError;
    if ((eventMask & kModemEvents) != 0) {
        ReadModemChanges();
    }
    if ((eventMask & kLineEvents) != 0) {
        ReadLineStatus();
    }
    if (ScanRelayed()) {
        return true;
    }
    FillDispatchBuffer();
    if (InNotification()) {
        return true;
    }
    if (RelayScan()) {
        return true;
    }
    for (;;) {
        if (ClosePending_.load()) {
            return false;
        }
        if (!ScanDataTriggers()) {
            return true;
        }
    }
}

// While a relayed scan goes on, its next step reads what arrived (scan_relay.h). False once
// it has ended: this thread reads and scans again.
bool TVexaBaseDispatcher::ScanRelayed() {
    if (!Relay_) {
        return false;
    }
    if (Relay_->NoteArrival() == TScanRelay::TProgress::Relaying) {
        return true;
    }
    Relay_.reset();
    return false;
}

// Hands the scan to the thread of the one window that takes the notifications, if there is
// such a window and something to report to it.
bool TVexaBaseDispatcher::RelayScan() {
    IMessageTarget* const window = SoleWindow();
    if (window == nullptr || !SomethingToReport()) {
        return false;
    }
    Relay_ = TScanRelay::Start(
        *window, [this, window](bool refill) { return RelayedScanStep(*window, refill); },
        [this] { ScanHandedBack(); }, kNotificationTimeout);
    return Relay_ != nullptr;
}

void TVexaBaseDispatcher::EndScanRelay() {
    if (Relay_) {
        Relay_->Stop();
        Relay_.reset();
    }
}

void TVexaBaseDispatcher::ScanHandedBack() {}

// One step of a relayed scan, on the window's thread: one round of the loop in
// ProcessComEvent, after reading what arrived if the dispatch thread noted an arrival. Ends
// the scan when the next round would report nothing, rather than turn the event loop once
// more to find that out; hands it back when the window is no longer the only one.
TScanRelay::TTurn TVexaBaseDispatcher::RelayedScanStep(IMessageTarget& window, bool refill) {
    if (ClosePending_.load()) {
        return TScanRelay::TTurn::Finished;
    }
    if (refill) {
        FillDispatchBuffer();
    }
    if (!ScanDataTriggers() || !SomethingToReport()) {
        return TScanRelay::TTurn::Finished;
    }
    return SoleWindow() == &window ? TScanRelay::TTurn::Again : TScanRelay::TTurn::HandBack;
}

// The window that alone takes the notifications (DeliverToWindows), or null.
IMessageTarget* TVexaBaseDispatcher::SoleWindow() {
    std::lock_guard lock(DataLock_);
    if (!HandlerServiceNeeded_ || (Windows_.size() <= 1 && !PortHandlerInstalled_)) {
        return nullptr;
    }
    IMessageTarget* sole = nullptr;
    for (const TWindowHandler& handler : Windows_) {
        if (!handler.Deleted) {
            if (sole != nullptr) {
                return nullptr;
            }
            sole = handler.Window;
        }
    }
    return sole;
}

// Whether ScanDataTriggers may have anything to report: a match held back, bytes not yet
// scanned, or unread bytes not yet offered. Without any, a relay would wake the window's
// thread for nothing.
bool TVexaBaseDispatcher::SomethingToReport() {
    if (PendingMatch_) {
        return true;
    }
    std::uint64_t head = 0;
    {
        std::lock_guard lock(InputLock_);
        if (!Ring_.Allocated()) {
            return false;
        }
        head = Ring_.Head();
    }
    return ScanCount_ < head || UnreadToOffer(head) != 0;
}

// How many unread bytes are due for an avail with the ring's head at `head`: all of them,
// once per head position, if there are at least the threshold; else 0.
std::uint32_t TVexaBaseDispatcher::UnreadToOffer(std::uint64_t head) {
    const std::uint32_t threshold = AvailThreshold();
    if (threshold == 0 || LastAvailCount_ == head) {
        return 0;
    }
    const std::uint32_t count = UnreadCount();
    return count >= threshold ? count : 0;
}

bool TVexaBaseDispatcher::ProcessTimers() {
    return false;
}

}  // namespace norvane::serial
