// Reply lines cut out of arbitrary received bytes by the instrument conversation.
//
// The input is a script: arriving byte chunks, line triggers added, commands sent (whose wait
// pumps further script events: more bytes, the user's Abort, the time-out, a data
// notification for a trigger that is not the link's), all delivered to the link's handlers
// in the order the serial layer uses. Beside the link runs a plain model of the line being
// assembled and of the reply table; after every handler call the link must agree with it and
// keep its invariants. Any disagreement aborts, which libFuzzer reports as a crash.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/device_port.h"
#include "device/instrument_link.h"
#include "device/link_host.h"
#include "device/reply_status.h"

namespace {

using norvane::device::IDevicePort;
using norvane::device::ILinkHost;
using norvane::device::TInstrumentLink;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "reply_line_fuzz: %s\n", what);
        std::abort();
    }
}

// The reply table as the protocol defines it, kept apart from the link's own tables.
std::int32_t ReferenceStatus(const std::string& line) {
    if (!line.empty() && line[0] == '*') {
        return 1;
    }
    if (line.empty() || line[0] != '@') {
        return 5;
    }
    static const std::vector<std::pair<std::string, std::int32_t>> fixed{
        {"@ERROR cell not available", 14}, {"@ERROR invalid guage type", 8},
        {"@ERROR cell ID missing", 9},     {"@ERROR invalid value", 10},
        {"@ERROR bad value", 11},          {"@ERROR missing gauge ID", 13},
        {"@ERROR too many digits", 12},
    };
    for (const auto& [text, status] : fixed) {
        if (line == text) {
            return status;
        }
    }
    static const std::map<std::string, std::int32_t> numbered{
        {"14", 14}, {"18", 14}, {"15", 15}, {"16", 16}, {"17", 17}, {"19", 19},
    };
    std::string rest;
    bool afterEquals = line.find('=') == std::string::npos;  // no '=': the line itself
    for (const char c : line) {
        if (afterEquals && rest.size() < 30) {
            rest.push_back(c);
        } else if (c == '=') {
            afterEquals = true;
        }
    }
    const auto known = numbered.find(rest);
    return known != numbered.end() ? known->second : 3;
}

// Characters 2 to 31 of the line.
std::string ReferenceValue(const std::string& line) {
    std::string value;
    for (std::size_t i = 1; i < line.size() && i <= 30; ++i) {
        value.push_back(line[i]);
    }
    return value;
}

bool DefinedStatus(std::int32_t status) {
    static const std::set<std::int32_t> defined{0,  1,  3,  4,  5,  6,  7,  8,  9,
                                                10, 11, 12, 13, 14, 15, 16, 17, 19};
    return defined.count(status) != 0;
}

// What the link should hold, computed without its code: the line so far (unbounded), the
// status and the value.
struct TModel {
    std::string Line;
    std::int32_t Status = 0;
    std::string Value;

    void LineEnded() {
        if (Status == norvane::device::rsAborted) {
            Line.clear();
            return;
        }
        Value = ReferenceValue(Line);
        Status = ReferenceStatus(Line);
        if (Line.size() > TInstrumentLink::kReplyBufferLimit && Line[0] == '@') {
            Status = norvane::device::rsDeviceError;  // its deciding end was dropped
        }
        Line.clear();
    }
};

class TFuzzConversation : public IDevicePort, public ILinkHost {
  public:
    explicit TFuzzConversation(FuzzedDataProvider& input) : Input_(input) {}

    void Run() {
        while (Input_.remaining_bytes() > 0) {
            switch (Input_.ConsumeIntegralInRange<int>(0, 4)) {
                case 0:
                    Arrive();
                    break;
                case 1:
                    if (Triggers_.size() < 4) {
                        Link_.AddLineTrigger();
                        Check(Link_.LineTriggerHandle() == Triggers_.back(), "stored handle");
                    }
                    break;
                case 2:
                    Send();
                    break;
                case 3:
                    Abort();
                    break;
                default:
                    ForeignData();
                    break;
            }
        }
    }

    // ---- IDevicePort ----
    // The command goes out only now: after a time-out the link first waits for the late
    // reply (or one more time-out), and that line is not the new command's answer.
    void PutString(const std::string&) override { Model_.Status = norvane::device::rsWaiting; }
    char ReceiveChar() override {
        Check(Offered_ > 0 && !Unread_.empty(), "ReceiveChar beyond the offer");
        --Offered_;
        const char c = Unread_.front();
        Unread_.pop_front();
        return c;
    }
    std::size_t UnreadCount() override { return Unread_.size(); }
    std::uint16_t AddDataTrigger(const std::string& pattern, bool ignoreCase) override {
        Check(pattern == "\n" && !ignoreCase, "the line trigger is a case-sensitive LF");
        Triggers_.push_back(static_cast<std::uint16_t>(8 * (Triggers_.size() + 1)));
        return Triggers_.back();
    }

    // ---- ILinkHost ----
    void SetTimeOutTimer(bool on) override { TimerOn_ = on; }
    void PumpEvents() override {
        Check(Link_.CommandOutstanding(), "pumped outside a command");
        if (Input_.remaining_bytes() == 0) {
            TimeOut();
            return;
        }
        switch (Input_.ConsumeIntegralInRange<int>(0, 3)) {
            case 0:
                Arrive();
                break;
            case 1:
                Abort();
                break;
            case 2:
                TimeOut();
                break;
            default:
                ForeignData();
                break;
        }
    }

  private:
    void Send() {
        Model_.Status = norvane::device::rsWaiting;
        Link_.SendCommand("?B1/1\r\n");
        Check(Link_.ReplyStatus() != norvane::device::rsWaiting, "returned while waiting");
        Check(!TimerOn_, "timer left on after the command");
        Verify();
    }

    void Abort() {
        Link_.Abort();
        Model_.Status = norvane::device::rsAborted;
        Verify();
    }

    void TimeOut() {
        Check(TimerOn_, "time-out without a running timer");
        Link_.TimeOutTimerTimer();
        Check(!TimerOn_, "time-out left the timer on");
        Model_.Status = norvane::device::rsNoConnection;
        Model_.Line.clear();
        Verify();
    }

    void ForeignData() {
        std::uint16_t handle = Input_.ConsumeIntegral<std::uint16_t>();
        if (handle == 0 || handle == Link_.LineTriggerHandle()) {
            return;  // the serial layer never reports 0; the live handle is not foreign
        }
        Link_.ComPortTriggerData(*this, handle);
        Verify();
    }

    // Bytes received, notified as the serial layer does: the unread bytes before each line
    // feed in one avail, then one data notification per line trigger in creation order; the
    // line feed itself and what follows are offered afterwards.
    void Arrive() {
        const std::string bytes = Input_.ConsumeRandomLengthString(4096);
        for (const char c : bytes) {
            Unread_.push_back(c);
            if (c != '\n' || Triggers_.empty()) {
                continue;
            }
            Offer(Unread_.size() - 1);
            for (const std::uint16_t handle : Triggers_) {
                Link_.ComPortTriggerData(*this, handle);
                if (handle == Link_.LineTriggerHandle()) {
                    Model_.LineEnded();
                }
                Verify();
            }
        }
        Offer(Unread_.size());
    }

    void Offer(std::size_t count) {
        if (count == 0) {
            return;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const char c = Unread_[i];
            if (c != '\r' && c != '\n') {
                Model_.Line.push_back(c);
            }
        }
        Offered_ = count;
        Link_.ComPortTriggerAvail(*this, static_cast<std::uint16_t>(count));
        Check(Offered_ == 0, "avail handler did not take what it was offered");
        Verify();
    }

    void Verify() const {
        const std::string& buffer = Link_.ReplyBuffer();
        Check(buffer.size() <= TInstrumentLink::kReplyBufferLimit, "reply buffer over its bound");
        Check(buffer == Model_.Line.substr(0, TInstrumentLink::kReplyBufferLimit),
              "reply buffer differs from the received line");
        Check(buffer.find_first_of("\r\n") == std::string::npos, "CR or LF in the reply buffer");
        Check(DefinedStatus(Link_.ReplyStatus()), "undefined reply status");
        Check(Link_.ReplyStatus() == Model_.Status, "reply status differs from the reply table");
        Check(Link_.ReplyValue() == Model_.Value, "reply value is not characters 2 to 31");
        Check(Link_.ReplyValue().size() <= TInstrumentLink::kReplyValueLength, "value too long");
    }

    FuzzedDataProvider& Input_;
    TInstrumentLink Link_{*this, *this};
    TModel Model_;
    std::vector<std::uint16_t> Triggers_;
    std::deque<char> Unread_;
    std::size_t Offered_ = 0;
    bool TimerOn_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    TFuzzConversation conversation(input);
    conversation.Run();
    return 0;
}
