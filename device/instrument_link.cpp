#include "device/instrument_link.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "device/flag_guard.h"

namespace norvane::device {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// Whole-line error replies, compared in this order, byte for byte. "guage" is the
// instrument's own spelling.
constexpr std::array<std::pair<std::string_view, std::int32_t>, 7> kFixedReplies{{
    {"@ERROR cell not available", rsCellNotAvailable},
    {"@ERROR invalid guage type", rsInvalidGaugeType},
    {"@ERROR cell ID missing", rsCellIdMissing},
    {"@ERROR invalid value", rsInvalidValue},
    {"@ERROR bad value", rsBadValue},
    {"@ERROR missing gauge ID", rsMissingGaugeId},
    {"@ERROR too many digits", rsTooManyDigits},
}};

// Numbered error replies: the text after the line's first '='. The instrument's 18 means
// the same as its 14.
constexpr std::array<std::pair<std::string_view, std::int32_t>, 6> kNumberedReplies{{
    {"14", rsCellNotAvailable},
    {"18", rsCellNotAvailable},
    {"15", rsReadOnlyVariable},
    {"16", rsSyntaxError},
    {"17", rsDeviceNumberOutOfRange},
    {"19", rsCommandNotImplemented},
}};

}  // namespace

std::int32_t StatusOfReplyLine(const std::string& line, bool overlong) {
    // An empty line (nothing but CR LF) is neither '*' nor '@': an unexpected reply.
    if (!line.empty() && line.front() == '*') {
        return rsOk;
    }
    if (line.empty() || line.front() != '@') {
        return rsUnexpectedReply;
    }
    if (overlong) {
        return rsDeviceError;
    }
    for (const auto& [text, status] : kFixedReplies) {
        if (line == text) {
            return status;
        }
    }
    const auto equals = line.find('=');
    const std::string_view afterEquals = std::string_view(line).substr(
        equals == std::string::npos ? 0 : equals + 1, TInstrumentLink::kReplyValueLength);
    for (const auto& [number, status] : kNumberedReplies) {
        if (afterEquals == number) {
            return status;
        }
    }
    return rsDeviceError;
}

void TInstrumentLink::SendCommand(const std::string& command) {
    if (Sending_) {
        throw std::logic_error("SendCommand called while another command is outstanding");
    }
    if (TransferEnd_) {
        ReplyStatus_ = *TransferEnd_;
        return;
    }
    TFlagGuard sending(Sending_);
    if (ReplyOwed_) {
        AwaitOwedReply();
        if (ReplyStatus_ == rsAborted || TransferEnd_) {
            return;
        }
    }
    ReplyStatus_ = rsWaiting;
    Host_.SetTimeOutTimer(true);
    UnreadBeforeCommand_ = Port_.UnreadCount();
    Port_.PutString(command);
    while (ReplyStatus_ == rsWaiting) {
        Host_.PumpEvents();
    }
    Host_.SetTimeOutTimer(false);
}

void TInstrumentLink::AwaitOwedReply() {
    ReplyStatus_ = rsWaiting;
    Host_.SetTimeOutTimer(true);
    while (ReplyOwed_ && ReplyStatus_ == rsWaiting) {
        Host_.PumpEvents();
    }
    Host_.SetTimeOutTimer(false);
    // After a further interval a line later still is not waited for. An Abort cut the wait
    // short, so the line stays owed to whichever command comes next.
    if (ReplyStatus_ != rsAborted && ReplyOwed_) {
        ReplyOwed_ = false;
        OwedReplyGivenUp_ = InTransfer_;
    }
}

bool TInstrumentLink::ConfirmRepliesInStep() {
    // Characters beyond the last line's own line feed came after the last reply: they are
    // taken (at most one interval waited for their notifications) to see whether they end a
    // line. Without them nothing is pumped, so an ordinary transfer ends exactly as before.
    const auto unreadBeyondLastLine = [this] {
        return Port_.UnreadCount() > (LineFeedUnread_ ? 1u : 0u);
    };
    if (StrayLineSeen_ || AbortLatched() || (!OwedReplyGivenUp_ && !unreadBeyondLastLine())) {
        return !StrayLineSeen_;
    }
    TFlagGuard listening(ListeningForStrays_);
    Host_.SetTimeOutTimer(true);
    while (ListeningForStrays_ && !StrayLineSeen_ && !AbortLatched() &&
           (OwedReplyGivenUp_ || unreadBeyondLastLine())) {
        Host_.PumpEvents();
    }
    Host_.SetTimeOutTimer(false);
    return !StrayLineSeen_;
}

void TInstrumentLink::Abort() {
    if (Sending_ && ReplyStatus_ == rsWaiting) {
        ReplyOwed_ = true;
    }
    if (InTransfer_) {
        TransferEnd_ = rsAborted;
    }
    ReplyStatus_ = rsAborted;
}

bool TInstrumentLink::CheckForAbort() {
    Host_.PumpPendingEvents();
    return AbortLatched();
}

TInstrumentLink::TTransferScope::TTransferScope(TInstrumentLink& link) : Link_(link) {
    Link_.InTransfer_ = true;
    Link_.TransferEnd_.reset();
    Link_.StrayLineSeen_ = false;
    Link_.OwedReplyGivenUp_ = false;
}

TInstrumentLink::TTransferScope::~TTransferScope() {
    Link_.InTransfer_ = false;
    Link_.TransferEnd_.reset();
}

void TInstrumentLink::ComPortTriggerAvail(IDevicePort& sender, std::uint16_t count) {
    UnreadBeforeCommand_ -= std::min<std::size_t>(count, UnreadBeforeCommand_);
    LineFeedUnread_ = LineFeedUnread_ && count == 0;
    for (std::uint16_t i = 0; i < count; ++i) {
        const char c = sender.ReceiveChar();
        if (c == kCr || c == kLf) {
            continue;
        }
        if (ReplyBuffer_.size() < kReplyBufferLimit) {
            ReplyBuffer_.push_back(c);
        } else {
            ReplyOverlong_ = true;
        }
    }
}

void TInstrumentLink::ComPortTriggerData(IDevicePort& /*sender*/, std::uint16_t triggerHandle) {
    if (triggerHandle != LineTriggerHandle_) {
        return;
    }
    NoteLineEnded();
    LineFeedUnread_ = true;  // offered by the next avail notification
    ClassifyReply(ReplyBuffer_, ReplyOverlong_);
    ClearReplyBuffer();
}

// A line is expected while a command waits for its reply or a given-up command still owes
// one; any other line inside a transfer means that some reply was not its command's. So does
// a line whose line feed (the next unread character now) had arrived before the command went
// out: the serial layer hands over one line at a time, so the second of two lines that came
// together is only offered once the first has ended the wait, during the next command's.
void TInstrumentLink::NoteLineEnded() {
    const bool awaited = Sending_ && ReplyStatus_ == rsWaiting && UnreadBeforeCommand_ == 0;
    if (InTransfer_ && !awaited && !ReplyOwed_) {
        StrayLineSeen_ = true;
    }
}

void TInstrumentLink::TimeOutTimerTimer() {
    if (ListeningForStrays_) {
        // The extra interval after the last command passed in silence: nothing was late.
        Host_.SetTimeOutTimer(false);
        ListeningForStrays_ = false;
        return;
    }
    Host_.SetTimeOutTimer(false);
    ReplyStatus_ = rsNoConnection;
    ClearReplyBuffer();
    ReplyOwed_ = true;
}

void TInstrumentLink::ComPortDeviceLost() {
    if (InTransfer_ && !TransferEnd_) {
        TransferEnd_ = rsNoConnection;  // an Abort before it still says "aborted"
    }
    ReplyOwed_ = false;  // the device that owed it is gone
    if (ReplyStatus_ == rsWaiting) {
        ReplyStatus_ = rsNoConnection;
        ClearReplyBuffer();
    }
}

void TInstrumentLink::AddLineTrigger() {
    LineTriggerHandle_ = Port_.AddDataTrigger(std::string(1, kLf), false);
}

void TInstrumentLink::ClearReplyBuffer() {
    ReplyBuffer_.clear();
    ReplyOverlong_ = false;
}

void TInstrumentLink::ClassifyReply(const std::string& line, bool overlong) {
    // After an abort a late reply must not look like an answer to the abandoned command.
    ReplyOwed_ = false;
    if (ReplyStatus_ == rsAborted) {
        return;
    }
    ReplyValue_ = line.size() > 1 ? line.substr(1, kReplyValueLength) : std::string();
    ReplyStatus_ = StatusOfReplyLine(line, overlong);
}

}  // namespace norvane::device
