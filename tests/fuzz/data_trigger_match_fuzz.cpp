// Data-trigger matching, checked against a plain reference matcher.
//
// The input gives a few trigger strings (with or without ignore case), a byte stream and the
// chunks it arrives in. The reference follows the matching rule step by step on the whole
// stream, with its own state, and says at which byte each trigger completes. Then:
// - StepMatch, fed chunk by chunk from records copied between chunks (as a saved and
//   restored trigger set carries them), must complete at exactly those bytes;
// - every completion must end a real occurrence of the string, and no occurrence that
//   starts after the trigger's previous completion may be missed;
// - a dispatcher over a scripted device, fed the same chunks, must issue exactly the avail
//   and data notifications that those positions call for (bytes before a match offered
//   first, matched triggers most recent first, the rest offered once all is scanned).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake_device_dispatcher.h"
#include "serial/dispatch/data_trigger.h"
#include "serial/dispatch/notification_messages.h"
#include "serial/dispatch/plain_message_target.h"

namespace {

using norvane::serial::MakeDataTrigger;
using norvane::serial::StepMatch;
using norvane::serial::TDataTrigger;
using norvane::serial::TMessage;
using norvane::serial::TPlainMessageTarget;
using norvane::serial::TVexaBaseDispatcher;
using norvane::serial::testing::TFakeDeviceDispatcher;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "data_trigger_match_fuzz: %s\n", what);
        std::abort();
    }
}

std::uint8_t Upper(std::uint8_t b) {
    return b >= 'a' && b <= 'z' ? static_cast<std::uint8_t>(b - 32) : b;
}

struct TPattern {
    std::string Text;
    bool IgnoreCase = false;
};

// The matching rule, step by step: `length` slots, each the number of string bytes one
// candidate has matched. Slot 0 is always examined; a later slot only while it is busy, or,
// when no earlier slot started a candidate at this byte, when the byte could start one. A
// completion drops every candidate.
class TReferenceMatcher {
  public:
    explicit TReferenceMatcher(const TPattern& pattern) : Case_(pattern.IgnoreCase) {
        for (const char c : pattern.Text) {
            String_.push_back(Case_ ? Upper(static_cast<std::uint8_t>(c))
                                    : static_cast<std::uint8_t>(c));
        }
        Slots_.assign(22, 0);
    }

    bool Step(std::uint8_t byte) {
        if (Case_) {
            byte = Upper(byte);
        }
        const std::size_t n = String_.size();
        bool complete = false;
        bool examine = true;
        bool started = false;
        for (std::size_t i = 0; i < n; ++i) {
            if (examine) {
                const std::size_t p = Slots_[i];
                if (String_[p] == byte) {
                    if (p == n - 1) {
                        complete = true;
                        std::fill(Slots_.begin(), Slots_.end(), 0);
                    } else {
                        Slots_[i] = p + 1;
                    }
                } else if (String_[0] == byte) {
                    Slots_[i] = 1;
                    started = true;
                } else {
                    Slots_[i] = 0;
                }
            }
            if (Slots_[i] == 1) {
                started = true;
            }
            if (i + 1 == n) {
                examine = false;
            } else if (started) {
                examine = Slots_[i + 1] != 0;
            } else {
                examine = Slots_[i + 1] != 0 || String_[0] == byte;
            }
        }
        return complete;
    }

  private:
    bool Case_;
    std::vector<std::uint8_t> String_;
    std::vector<std::size_t> Slots_;
};

// For each trigger, whether it completes at each stream position.
using TMatchTable = std::vector<std::vector<bool>>;

TMatchTable ReferenceMatches(const std::vector<TPattern>& patterns, const std::string& stream) {
    TMatchTable table;
    for (const TPattern& pattern : patterns) {
        TReferenceMatcher matcher(pattern);
        std::vector<bool> at(stream.size(), false);
        for (std::size_t i = 0; i < stream.size() && !pattern.Text.empty(); ++i) {
            at[i] = matcher.Step(static_cast<std::uint8_t>(stream[i]));
        }
        table.push_back(std::move(at));
    }
    return table;
}

bool OccurrenceEndsAt(const TPattern& pattern, const std::string& stream, std::size_t end) {
    const std::size_t n = pattern.Text.size();
    if (n == 0 || end + 1 < n) {
        return false;
    }
    for (std::size_t k = 0; k < n; ++k) {
        auto a = static_cast<std::uint8_t>(stream[end + 1 - n + k]);
        auto b = static_cast<std::uint8_t>(pattern.Text[k]);
        if (pattern.IgnoreCase) {
            a = Upper(a);
            b = Upper(b);
        }
        if (a != b) {
            return false;
        }
    }
    return true;
}

// Completions are real occurrences, and an occurrence that lies wholly after the previous
// completion is always reported.
void CheckAgainstOccurrences(const std::vector<TPattern>& patterns, const std::string& stream,
                             const TMatchTable& matches) {
    for (std::size_t t = 0; t < patterns.size(); ++t) {
        const std::size_t n = patterns[t].Text.size();
        std::size_t free = 0;  // first position an unreported occurrence may start at
        for (std::size_t i = 0; i < stream.size(); ++i) {
            const bool occurs = OccurrenceEndsAt(patterns[t], stream, i);
            if (matches[t][i]) {
                Check(occurs, "completion where the string does not end");
            } else if (occurs && i + 1 - n >= free) {
                Check(false, "an occurrence after the last completion was missed");
            }
            if (matches[t][i]) {
                free = i + 1;
            }
        }
    }
}

TDataTrigger Record(const TPattern& pattern, std::uint32_t handle) {
    return MakeDataTrigger(handle, reinterpret_cast<const std::uint8_t*>(pattern.Text.data()),
                           static_cast<std::uint32_t>(pattern.Text.size()), pattern.IgnoreCase);
}

void CheckStepMatch(const std::vector<TPattern>& patterns, const std::string& stream,
                    const std::vector<std::size_t>& chunks, const TMatchTable& matches) {
    std::vector<TDataTrigger> records;
    for (std::size_t t = 0; t < patterns.size(); ++t) {
        records.push_back(Record(patterns[t], static_cast<std::uint32_t>(8 * (t + 1))));
    }
    std::size_t position = 0;
    for (const std::size_t chunk : chunks) {
        std::vector<TDataTrigger> restored = records;  // what a saved set carries over
        for (std::size_t end = position + chunk; position < end; ++position) {
            const auto byte = static_cast<std::uint8_t>(stream[position]);
            for (std::size_t t = 0; t < restored.size(); ++t) {
                Check(StepMatch(restored[t], byte) == matches[t][position],
                      "StepMatch differs from the reference");
            }
        }
        records = restored;
    }
}

// ---- through the dispatcher -----------------------------------------------------------

// One notification as the window saw it: an avail with the bytes it took, or a data
// notification with its handle and trigger length.
struct TEvent {
    bool Avail = false;
    std::uint32_t Handle = 0;
    std::uint32_t Length = 0;
    std::string Bytes;
    bool operator==(const TEvent&) const = default;
};

// What the notification rules make of the reference positions with threshold 1 and a window
// that takes every byte it is offered.
class TExpectedNotifications {
  public:
    TExpectedNotifications(const std::vector<TPattern>& patterns, const std::string& stream,
                           const TMatchTable& matches, const std::vector<std::uint32_t>& handles)
        : Patterns_(patterns), Stream_(stream), Matches_(matches), Handles_(handles) {}

    void Arrived(std::size_t count) {
        Head_ += count;
        while (ScanOnce()) {
        }
    }
    const std::vector<TEvent>& Events() const { return Events_; }

  private:
    bool ScanOnce() {
        for (; Scan_ != Head_; ++Scan_) {
            std::size_t longest = 0;
            for (std::size_t t = 0; t < Patterns_.size(); ++t) {
                if (Matches_[t][Scan_]) {
                    longest = std::max(longest, Patterns_[t].Text.size());
                }
            }
            if (longest == 0) {
                continue;
            }
            const std::size_t p = Scan_;
            if (LastAvail_ != p && p + 1 >= Tail_ + longest + 1) {
                Offer(p + 1 - longest - Tail_);
                LastAvail_ = p;
            }
            for (std::size_t t = Patterns_.size(); t-- > 0;) {
                if (Matches_[t][p]) {
                    Events_.push_back(TEvent{false,
                                             Handles_[t],
                                             static_cast<std::uint32_t>(Patterns_[t].Text.size()),
                                             {}});
                }
            }
            Scan_ = p + 1;
            return true;
        }
        if (LastAvail_ == Head_ || Head_ == Tail_) {
            return false;
        }
        Offer(Head_ - Tail_);
        LastAvail_ = Head_;
        return true;
    }

    void Offer(std::size_t count) {
        Events_.push_back(TEvent{true, 0, 0, Stream_.substr(Tail_, count)});
        Tail_ += count;
    }

    const std::vector<TPattern>& Patterns_;
    const std::string& Stream_;
    const TMatchTable& Matches_;
    const std::vector<std::uint32_t>& Handles_;
    std::size_t Head_ = 0;
    std::size_t Tail_ = 0;
    std::size_t Scan_ = 0;
    std::size_t LastAvail_ = 0;
    std::vector<TEvent> Events_;
};

void CheckDispatcher(const std::vector<TPattern>& patterns, const std::string& stream,
                     const std::vector<std::size_t>& chunks, const TMatchTable& matches) {
    TFakeDeviceDispatcher device;
    std::vector<TEvent> seen;
    TPlainMessageTarget window([&](const TMessage& message) {
        if (message.Id == norvane::serial::MsgTriggerAvail) {
            TEvent event{true, 0, 0, {}};
            for (std::uint32_t i = 0; i < message.First; ++i) {
                const std::int32_t c = device.TakeChar();
                Check(c >= 0, "fewer bytes unread than offered");
                event.Bytes.push_back(static_cast<char>(c));
            }
            seen.push_back(event);
        } else if (message.Id == norvane::serial::MsgTriggerData) {
            seen.push_back(TEvent{
                false, message.First, static_cast<std::uint32_t>(message.Second & 0xFFFF), {}});
        }
        return 0;
    });
    device.Open();
    device.SetAvailThreshold(1);
    device.AttachWindow(&window);
    device.SetHandlerFlags(TVexaBaseDispatcher::kHandlersInstalled);
    std::vector<std::uint32_t> handles;
    for (const TPattern& pattern : patterns) {
        const std::int32_t handle = device.NewDataTrigger(
            reinterpret_cast<const std::uint8_t*>(pattern.Text.data()),
            static_cast<std::uint32_t>(pattern.Text.size()), pattern.IgnoreCase);
        Check(handle > 0, "trigger refused");
        handles.push_back(static_cast<std::uint32_t>(handle));
    }

    TExpectedNotifications expected(patterns, stream, matches, handles);
    std::size_t position = 0;
    std::size_t checked = 0;  // notifications already compared
    for (const std::size_t chunk : chunks) {
        device.Line().Arrive(std::string_view(stream).substr(position, chunk));
        device.Cycle();
        expected.Arrived(chunk);
        position += chunk;
        const std::vector<TEvent>& want = expected.Events();
        Check(seen.size() == want.size() &&
                  std::equal(seen.begin() + checked, seen.end(), want.begin() + checked),
              "notifications differ from the reference positions");
        checked = seen.size();
        Check(device.UnreadCount() == 0, "bytes left unread after a cycle");
    }
    device.DetachWindow(&window);
}

// ---- input ----------------------------------------------------------------------------

// Most inputs draw from a few bytes that collide often, letters of both cases among them.
std::uint8_t MapByte(std::uint8_t raw, bool narrow) {
    static constexpr std::uint8_t kNarrow[8] = {'a', 'A', 'b', 'B', '\n', '\r', 0, 0xFF};
    return narrow ? kNarrow[raw & 7] : raw;
}

// A byte that occurs in no trigger string, in either case.
std::uint8_t UnusedByte(const std::vector<TPattern>& patterns) {
    for (unsigned candidate = 0;; ++candidate) {
        const bool used = std::any_of(patterns.begin(), patterns.end(), [&](const TPattern& p) {
            return std::any_of(p.Text.begin(), p.Text.end(), [&](char c) {
                return Upper(static_cast<std::uint8_t>(c)) ==
                       Upper(static_cast<std::uint8_t>(candidate));
            });
        });
        if (!used) {
            return static_cast<std::uint8_t>(candidate);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool narrow = input.ConsumeIntegralInRange<int>(0, 3) != 0;
    std::vector<TPattern> patterns(input.ConsumeIntegralInRange<std::size_t>(1, 4));
    for (TPattern& pattern : patterns) {
        pattern.IgnoreCase = input.ConsumeBool();
        const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 6);
        for (std::size_t i = 0; i < length; ++i) {
            pattern.Text.push_back(
                static_cast<char>(MapByte(input.ConsumeIntegral<std::uint8_t>(), narrow)));
        }
    }
    // Chunks of the stream, each possibly repeated, so the stream can outgrow the ring.
    std::string stream;
    std::vector<std::size_t> chunks;
    constexpr std::size_t kLargestArrival = 4096;
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0) {
        // A lead-in of a byte that no trigger holds leaves every trigger idle, and puts what
        // follows across the end of the dispatcher's ring. Only now and then: it is slow.
        const std::size_t leadIn = input.ConsumeIntegralInRange<std::size_t>(7000, 8191);
        stream.assign(leadIn, static_cast<char>(UnusedByte(patterns)));
        chunks = {leadIn / 2, leadIn - leadIn / 2};
    }
    while (input.remaining_bytes() > 0) {
        const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(1, 64);
        const std::size_t repeat = input.ConsumeIntegralInRange<std::size_t>(1, 8);
        std::string piece;
        for (const std::uint8_t raw : input.ConsumeBytes<std::uint8_t>(length)) {
            piece.push_back(static_cast<char>(MapByte(raw, narrow)));
        }
        for (std::size_t r = 0; r < repeat && !piece.empty(); ++r) {
            stream += piece;
            if (!chunks.empty() && chunks.back() + piece.size() <= kLargestArrival &&
                input.ConsumeBool()) {
                chunks.back() += piece.size();  // arrives with the previous bytes
            } else {
                chunks.push_back(piece.size());
            }
        }
    }
    const TMatchTable matches = ReferenceMatches(patterns, stream);
    CheckAgainstOccurrences(patterns, stream, matches);
    CheckStepMatch(patterns, stream, chunks, matches);
    CheckDispatcher(patterns, stream, chunks, matches);
    return 0;
}
