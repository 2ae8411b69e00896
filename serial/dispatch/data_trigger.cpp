#include "serial/dispatch/data_trigger.h"

#include <algorithm>

namespace norvane::serial {

TDataTrigger MakeDataTrigger(std::uint32_t handle, const std::uint8_t* bytes, std::uint32_t length,
                             bool ignoreCase) {
    TDataTrigger trigger;
    trigger.Handle = handle;
    trigger.Length = length;
    trigger.IgnoreCase = ignoreCase;
    for (std::uint32_t i = 0; i < length; ++i) {
        trigger.String[i] = ignoreCase ? FoldCase(bytes[i]) : bytes[i];
    }
    return trigger;
}

std::uint8_t FoldCase(std::uint8_t byte) {
    return (byte >= 'a' && byte <= 'z') ? static_cast<std::uint8_t>(byte - ('a' - 'A')) : byte;
}

bool StepMatch(TDataTrigger& trigger, std::uint8_t byte) {
    if (trigger.IgnoreCase) {
        byte = FoldCase(byte);
    }
    const std::uint32_t length = std::min(trigger.Length, kMaxDataTriggerLength);
    const bool opensCandidate = length > 0 && trigger.String[0] == byte;
    auto& slots = trigger.MatchPositions;
    bool completed = false;
    bool examine = true;
    bool started = false;  // some slot began a candidate at this byte
    for (std::uint32_t i = 0; i < length; ++i) {
        if (examine) {
            const std::uint32_t p = slots[i] < length ? slots[i] : 0;
            if (trigger.String[p] == byte) {
                if (p == length - 1) {
                    completed = true;
                    slots.fill(0);
                } else {
                    slots[i] = p + 1;
                }
            } else if (opensCandidate) {
                slots[i] = 1;
                started = true;
            } else {
                slots[i] = 0;
            }
        }
        if (slots[i] == 1) {
            started = true;
        }
        if (i + 1 < length) {
            const bool nextBusy = slots[i + 1] != 0;
            examine = started ? nextBusy : (nextBusy || opensCandidate);
        }
    }
    return completed;
}

}  // namespace norvane::serial
