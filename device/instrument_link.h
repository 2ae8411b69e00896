#pragma once
// The conversation with the instrument: one command line out, one reply line back.
//
// A command is sent and then the host's events are pumped until the reply status is
// settled, by whichever comes first: a reply line (cut out of the received bytes at its
// line feed and classified), the 2000 ms time-out, or the user's Abort. Everything runs on
// the host's event thread; the serial layer's notifications arrive through the pump as
// calls to ComPortTriggerAvail and ComPortTriggerData.
//
// The state is deliberately sticky between commands: a reply that arrives after its
// command was given up is still classified, and characters received without a line feed
// before a command become the start of its reply line.
//
// A command that timed out still owes its reply line. Taken for the next command's reply,
// a late line would shift every later reply by one command (each cell stored under its
// successor, the last reply never read) without any error showing. So the command after a
// time-out is sent only once the owed line has come, or a further time-out interval has
// passed without it. A command given up by the user's Abort owes its line just the same.
//
// An Abort inside a transfer (TTransferScope) holds until the transfer ends: whatever the
// transfer does next, no further command goes out. Otherwise an Abort that ends one wait
// (the line clear, say) would be wiped out by the next command's wait and the transfer would
// run to its end after the user cancelled it.
//
// A device that goes away inside a transfer (an adapter unplugged) ends it as a dead line
// does, with rsNoConnection, and holds like an Abort: sending the next command would open the
// port afresh, which fails with an error that hides the cause, or reaches whatever answers
// to the port's name by then.
//
// The replies carry no cell number, so a shift cannot be seen in their content; it shows in
// their timing. Inside a transfer the link notes a line that no command was waiting for and
// that no given-up command owed (an instrument that answered one command twice), and an owed
// line that never came within its extra interval (it may yet come, as the answer to a later
// command). ConfirmRepliesInStep() turns those notes into the transfer's verdict.

#include <cstdint>
#include <optional>
#include <string>

#include "device/device_port.h"
#include "device/link_host.h"
#include "device/reply_status.h"

namespace norvane::device {

class TInstrumentLink {
  public:
    static constexpr std::size_t kReplyValueLength = 30;
    static constexpr int kTimeOutMs = 2000;
    // The most characters one reply line keeps. The instrument's lines are about 30
    // characters; a line that runs on without a line feed (a wrong baud rate, a noisy or
    // breaking line, all while no command is outstanding and no time-out clears it) must
    // not grow the buffer for as long as the program runs.
    static constexpr std::size_t kReplyBufferLimit = 1024;

    TInstrumentLink(IDevicePort& port, ILinkHost& host) : Port_(port), Host_(host) {}
    TInstrumentLink(const TInstrumentLink&) = delete;
    TInstrumentLink& operator=(const TInstrumentLink&) = delete;

    // Marks the span of one download or upload, from its start to its end; one at a time.
    // Starting one forgets an Abort or a device loss latched by an earlier transfer.
    class TTransferScope {
      public:
        explicit TTransferScope(TInstrumentLink& link);
        ~TTransferScope();
        TTransferScope(const TTransferScope&) = delete;
        TTransferScope& operator=(const TTransferScope&) = delete;

      private:
        TInstrumentLink& Link_;
    };

    // Sends command as one string and returns once ReplyStatus() is no longer rsWaiting.
    // After a time-out or an Abort it first waits (up to another time-out interval) for the
    // given-up command's late reply and drops it; an Abort during that wait returns
    // rsAborted without sending. Once the running transfer was aborted it returns rsAborted
    // at once and sends nothing; once its device was lost, rsNoConnection. Port failures propagate
    // as the port's exceptions; the time-out timer then stays on and settles the status 2000 ms
    // later. Not re-entrant: a call made while another is waiting throws std::logic_error and sends
    // nothing.
    void SendCommand(const std::string& command);

    // Handler of the port's avail notification: takes `count` characters and collects all
    // but CR and LF into the reply buffer. Characters beyond kReplyBufferLimit are taken
    // and dropped, and the line counts as overlong (see ClassifyReply).
    void ComPortTriggerAvail(IDevicePort& sender, std::uint16_t count);

    // Handler of the port's data notification: a line feed ended the reply line. Only the
    // trigger added last by AddLineTrigger() counts; earlier ones are ignored.
    void ComPortTriggerData(IDevicePort& sender, std::uint16_t triggerHandle);

    // Handler of the time-out timer.
    void TimeOutTimerTimer();

    // Handler of the port's device loss: no reply can come any more, so a command waiting
    // for one has rsNoConnection at once. Inside a transfer every later command has it too,
    // without being sent (see the top of this file).
    void ComPortDeviceLost();

    // The user's Abort: ends the current wait; replies arriving later are ignored until
    // the next command, and a command it gave up owes its reply line. Inside a transfer it
    // holds for the rest of that transfer (see SendCommand).
    void Abort();

    // Delivers the host's pending events without waiting for more, and tells whether the
    // running transfer has been aborted. For work between commands that may take long.
    bool CheckForAbort();

    // The running transfer has been aborted; false outside a transfer.
    bool AbortLatched() const { return TransferEnd_ == rsAborted; }

    // After the transfer's last command: whether every reply of this transfer answered its
    // own command, as far as the line can show. When an owed line was given up during the
    // transfer, listens one more time-out interval for a line no command asked for (the last
    // command's real answer, if every reply was taken one command late). When the port holds
    // characters beyond the last line's line feed, takes them (waiting at most that interval)
    // to see whether they end a line. Otherwise it neither waits nor pumps. An Abort ends the
    // listening and is then latched as usual: the caller checks AbortLatched() first. Inside
    // a transfer only.
    bool ConfirmRepliesInStep();

    // Adds the line-feed trigger and remembers its handle. Opens the port if it is closed;
    // its failures propagate. Earlier triggers stay in place and are ignored.
    void AddLineTrigger();

    // Sets the status without a command: the upload's "file missing" outcome.
    void SetReplyStatus(std::int32_t status) { ReplyStatus_ = status; }

    std::int32_t ReplyStatus() const { return ReplyStatus_; }
    const std::string& ReplyValue() const { return ReplyValue_; }
    const std::string& ReplyBuffer() const { return ReplyBuffer_; }
    std::uint16_t LineTriggerHandle() const { return LineTriggerHandle_; }
    bool CommandOutstanding() const { return Sending_; }
    // A command timed out or was aborted and its reply line has not arrived since.
    bool ReplyOwed() const { return ReplyOwed_; }

  private:
    // Sets ReplyValue and the status from a complete line, unless the user aborted. An
    // overlong line is not an instrument reply: "*" still counts as a value (the first 30
    // characters are kept), but an "@" line is an unknown error (rsDeviceError) whatever its
    // kept characters say, since its end, which decides the numbered errors, was dropped.
    void ClassifyReply(const std::string& line, bool overlong);
    void ClearReplyBuffer();
    void AwaitOwedReply();
    void NoteLineEnded();

    IDevicePort& Port_;
    ILinkHost& Host_;
    std::int32_t ReplyStatus_ = rsWaiting;
    std::string ReplyBuffer_;
    bool ReplyOverlong_ = false;  // characters of the current line were dropped
    std::string ReplyValue_;
    std::uint16_t LineTriggerHandle_ = 0;
    bool Sending_ = false;
    bool ReplyOwed_ = false;
    bool InTransfer_ = false;
    // Set inside a transfer by an Abort (rsAborted) or a device loss (rsNoConnection): the
    // status of every later command of that transfer, none of which is sent.
    std::optional<std::int32_t> TransferEnd_;
    // This transfer's notes on whether its replies stay in step (see the top of this file).
    bool StrayLineSeen_ = false;
    bool OwedReplyGivenUp_ = false;
    bool ListeningForStrays_ = false;  // ConfirmRepliesInStep's interval is running
    // Of the characters unread when the last command went out, those not yet taken.
    std::size_t UnreadBeforeCommand_ = 0;
    bool LineFeedUnread_ = false;  // the last line ended, its line feed not yet taken
};

// The reply status a complete reply line stands for. ReplyStatus rsAborted is handled by
// the link, not here: this is the pure classification. overlong: the line is only the first
// characters of a longer one (see TInstrumentLink::kReplyBufferLimit).
std::int32_t StatusOfReplyLine(const std::string& line, bool overlong = false);

}  // namespace norvane::device
