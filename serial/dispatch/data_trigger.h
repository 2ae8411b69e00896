#pragma once
// Data triggers: byte strings the dispatcher watches the received bytes for.
//
// A trigger follows up to `Length` overlapping candidate occurrences at once, one per slot of
// MatchPositions, so a string that arrives split over several device reads, or that overlaps
// itself in the input ("aa" in "aaaaa"), is still found. These records are plain values:
// the dispatcher's data lock guards the table that holds them.

#include <array>
#include <cstdint>
#include <vector>

namespace norvane::serial {

inline constexpr std::uint32_t kMaxDataTriggerLength = 21;

struct TDataTrigger {
    std::uint32_t Handle = 0;  // a multiple of 8
    std::uint32_t Length = 0;  // 0..kMaxDataTriggerLength; 0 never matches
    // Per slot, how many bytes of the string one candidate has matched so far (0 = idle).
    // Only the first Length slots are used.
    std::array<std::uint32_t, kMaxDataTriggerLength> MatchPositions{};
    bool Matched = false;  // completed, and its notification is still due
    bool IgnoreCase = false;
    // Stored upper-cased when IgnoreCase is set.
    std::array<std::uint8_t, kMaxDataTriggerLength> String{};

    bool operator==(const TDataTrigger&) const = default;
};

// A copy of a dispatcher's triggers, kept by the port component so that they survive a close
// and reopen of the port. Owns its copies; FreeTriggerSet or destruction releases them.
struct TTriggerSet {
    std::uint32_t AvailThreshold = 0;
    std::vector<TDataTrigger> DataTriggers;
};

// Builds a record with zeroed match state. bytes must hold `length` bytes, length at most
// kMaxDataTriggerLength (the caller checks). With ignoreCase the string is stored upper-cased.
TDataTrigger MakeDataTrigger(std::uint32_t handle, const std::uint8_t* bytes, std::uint32_t length,
                             bool ignoreCase);

// Feeds one received byte to the record's candidates. Returns true when this byte completed
// the string; every candidate is then dropped, and the completing byte may at once start the
// next candidate in a later slot (so "aa" over five 'a's completes at the 2nd, 3rd and 5th
// byte). A new candidate starts in at most one idle slot per byte.
bool StepMatch(TDataTrigger& trigger, std::uint8_t byte);

// Upper case for trigger matching. Only ASCII letters are folded: received bytes are not
// characters of any one locale, and folding other bytes could make a trigger fire on bytes
// that merely look alike in the program's locale.
std::uint8_t FoldCase(std::uint8_t byte);

}  // namespace norvane::serial
