#pragma once
// A notification window for dispatcher tests: records every message it is sent and, like
// the instrument conversation, reads the bytes an avail notification offers.
//
// It lives on the thread that creates it. When that same thread runs the dispatch cycle the
// dispatcher's sends reach the handler directly; from another thread they queue until the
// owner calls Target.DeliverPending or WaitAndDeliver.

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "serial/dispatch/base_dispatcher.h"
#include "serial/dispatch/notification_messages.h"
#include "serial/dispatch/plain_message_target.h"

namespace norvane::serial::testing {

class TRecordingWindow {
    TVexaBaseDispatcher& Dispatcher_;

  public:
    explicit TRecordingWindow(TVexaBaseDispatcher& dispatcher)
        : Dispatcher_(dispatcher), Target([this](const TMessage& m) { return Handle(m); }) {}

    // At most this many bytes are taken per avail notification.
    std::uint32_t TakeLimit = std::numeric_limits<std::uint32_t>::max();
    // Runs after the message has been recorded and its bytes taken.
    std::function<void(const TMessage&)> After;

    // One line per message: "avail 2 [12]", "data 8", "other 32266".
    std::vector<std::string> Seen;
    std::vector<TMessage> Messages;

    TPlainMessageTarget Target;

  private:
    std::int32_t Handle(const TMessage& message) {
        Messages.push_back(message);
        if (message.Id == MsgTriggerAvail) {
            std::string taken;
            for (std::uint32_t i = 0; i < message.First && i < TakeLimit; ++i) {
                const std::int32_t c = Dispatcher_.TakeChar();
                if (c < 0) {
                    break;
                }
                taken += static_cast<char>(c);
            }
            Seen.push_back("avail " + std::to_string(message.First) + " [" + taken + "]");
        } else if (message.Id == MsgTriggerData) {
            Seen.push_back("data " + std::to_string(message.First));
        } else {
            Seen.push_back("other " + std::to_string(message.Id));
        }
        if (After) {
            After(message);
        }
        return 0;
    }
};

}  // namespace norvane::serial::testing
