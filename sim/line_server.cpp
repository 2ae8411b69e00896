#include "sim/line_server.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "sim/system_error.h"

namespace norvane::sim {

namespace {

constexpr std::size_t kReadChunk = 4096;

// Waits for input or a stop signal. Returns the line's poll events, 0 when stopping.
short WaitForInput(int lineFd, TStopSignal& stop) {
    while (true) {
        pollfd fds[2] = {{stop.Fd(), POLLIN, 0}, {lineFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SystemError("cannot wait for the line");
        }
        if (stop.Requested()) {
            return 0;
        }
        if (fds[1].revents != 0) {
            return fds[1].revents;
        }
    }
}

}  // namespace

TLineServer::TLineServer(int lineFd, TInstrument& instrument, TReplyDelivery delivery,
                         TPreamble preamble, TCommandJournal* journal, TStopSignal& stop)
    : LineFd_(lineFd),
      Instrument_(instrument),
      Delivery_(std::move(delivery)),
      Preamble_(std::move(preamble)),
      Journal_(journal),
      Stop_(stop),
      Writer_(lineFd, ByteTime(Delivery_.Baud), stop) {}

void TLineServer::Run() {
    if (Preamble_.Moment == TPreambleMoment::AtStart && !SendPreamble()) {
        return;
    }
    while (true) {
        const short events = WaitForInput(LineFd_, Stop_);
        if (events == 0) {
            return;
        }
        if ((events & POLLIN) == 0) {
            // Hang-up or error without data: nothing more will come, and polling on would
            // spin.
            throw std::runtime_error("the line was hung up");
        }
        if (!ServeAvailableInput()) {
            return;
        }
    }
}

bool TLineServer::ServeAvailableInput() {
    char buffer[kReadChunk];
    const ssize_t n = ::read(LineFd_, buffer, sizeof buffer);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return true;
        }
        throw SystemError("cannot read from the line");
    }
    if (n == 0) {
        throw std::runtime_error("the line was hung up");
    }
    if (Preamble_.Moment == TPreambleMoment::OnFirstByte && !SendPreamble()) {
        return false;
    }
    for (const std::string& command : Framer_.Feed({buffer, static_cast<std::size_t>(n)})) {
        if (!Answer(command)) {
            return false;
        }
    }
    return true;
}

// Returns false when serving ends: a stop signal, or the planned hang-up.
bool TLineServer::Answer(const std::string& command) {
    const TLineIncidents& incidents = Delivery_.Incidents;
    // Hanging up right after a reply could take the reply down with the line (a pty drops
    // what its reader has not yet taken), so the line goes when the next command comes.
    if (CommandsAnswered_ != 0 && CommandsAnswered_ == incidents.HangUpAfter) {
        HungUp_ = true;
        return false;
    }
    if (Journal_ != nullptr) {
        Journal_->Record(command);
    }
    const std::size_t number = ++CommandsAnswered_;
    if (number == incidents.FloodAt && !Writer_.Write(FloodBytes(incidents.FloodBytes))) {
        return false;
    }
    const TReply reply = Instrument_.Answer(command);
    const auto delay = number == incidents.DelayAt ? incidents.Delay : std::chrono::milliseconds{0};
    if (reply && !SendReply(*reply, delay)) {
        return false;
    }
    return true;
}

bool TLineServer::SendReply(const std::string& reply, std::chrono::milliseconds extraDelay) {
    if (!Stop_.SleepUntil(TStopSignal::TClock::now() + Delivery_.ThinkTime + extraDelay)) {
        return false;
    }
    bool first = true;
    for (const std::string& fragment : ReplyFragments(reply, Delivery_)) {
        if (!first && !Stop_.SleepUntil(TStopSignal::TClock::now() + Delivery_.FragmentPause)) {
            return false;
        }
        first = false;
        if (!Writer_.Write(fragment)) {
            return false;
        }
    }
    return true;
}

bool TLineServer::SendPreamble() {
    if (PreambleSent_ || Preamble_.Text.empty()) {
        return true;
    }
    PreambleSent_ = true;
    return Writer_.Write(Preamble_.Text);
}

}  // namespace norvane::sim
