#include "serial/dispatch/trigger_table.h"

#include <algorithm>

#include "serial/errors/error_codes.h"

namespace norvane::serial {

namespace {

// Handles run counter × 8 until the counter reaches this; after that the smallest free
// multiple of 8 is reused.
constexpr std::uint32_t kHandleCounterLimit = 4096;
constexpr std::uint32_t kHandleStep = 8;
constexpr std::uint32_t kLargestHandle = 0xFFF8;

}  // namespace

bool TTriggerTable::HandleInUse(std::uint32_t handle) const {
    return std::any_of(Triggers_.begin(), Triggers_.end(),
                       [handle](const TDataTrigger& trigger) { return trigger.Handle == handle; });
}

std::int32_t TTriggerTable::NextHandle() {
    if (NextHandle_ < kHandleCounterLimit) {
        return static_cast<std::int32_t>(NextHandle_++ * kHandleStep);
    }
    for (std::uint32_t handle = kHandleStep; handle <= kLargestHandle; handle += kHandleStep) {
        if (!HandleInUse(handle)) {
            return static_cast<std::int32_t>(handle);
        }
    }
    return -ecNoMoreTriggers;
}

std::int32_t TTriggerTable::Add(const std::uint8_t* bytes, std::uint32_t length, bool ignoreCase) {
    const std::int32_t handle = NextHandle();
    if (handle >= 0) {
        Triggers_.push_back(
            MakeDataTrigger(static_cast<std::uint32_t>(handle), bytes, length, ignoreCase));
    }
    return handle;
}

void TTriggerTable::Clear() {
    AvailThreshold_ = 0;
    Triggers_.clear();
    NextHandle_ = 1;
}

void TTriggerTable::Save(TTriggerSet& set) const {
    set.AvailThreshold = AvailThreshold_;
    set.DataTriggers = Triggers_;
}

void TTriggerTable::Restore(const TTriggerSet& set) {
    AvailThreshold_ = set.AvailThreshold;
    Triggers_ = set.DataTriggers;
    // A set saved from inside a notification can hold a match whose report the close cut
    // off, and partial matches of bytes the old port had; on this port none of them arrived.
    for (TDataTrigger& trigger : Triggers_) {
        trigger.Matched = false;
        trigger.MatchPositions.fill(0);
    }
    // The counter restarts at every open; without this the next new trigger would get a
    // handle that a restored one already carries.
    for (const TDataTrigger& trigger : Triggers_) {
        const std::uint32_t next = std::min(trigger.Handle / kHandleStep + 1, kHandleCounterLimit);
        NextHandle_ = std::max(NextHandle_, next);
    }
}

void TTriggerTable::ResetPartialMatches() {
    for (TDataTrigger& trigger : Triggers_) {
        trigger.MatchPositions.fill(0);
    }
}

TTriggerTable::TMatchStep TTriggerTable::Match(std::uint8_t byte) {
    TMatchStep step;
    for (TDataTrigger& trigger : Triggers_) {
        if (trigger.Length == 0) {
            continue;
        }
        if (!trigger.Matched) {
            trigger.Matched = StepMatch(trigger, byte);
        }
        if (trigger.Matched) {
            step.Any = true;
            step.Longest = std::max(step.Longest, trigger.Length);
        }
    }
    return step;
}

std::optional<TTriggerTable::TMatchedTrigger> TTriggerTable::TakeMatch(std::size_t index) {
    TDataTrigger& trigger = Triggers_[index];
    if (!trigger.Matched) {
        return std::nullopt;
    }
    trigger.Matched = false;
    return TMatchedTrigger{trigger.Handle, trigger.Length};
}

}  // namespace norvane::serial
