#pragma once
// TTriggerTable: the data triggers of one dispatcher, the avail threshold, and the handles
// they are known by.
//
// Handles are multiples of 8: a counter issues 8, 16, ... until it reaches 4096 × 8; after
// that the smallest multiple of 8 that no trigger carries is reused, up to 0xFFF8.
//
// Not locked: the dispatcher guards it with its data lock, and every call must be made with
// that lock held. A failed operation changes nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "serial/dispatch/data_trigger.h"

namespace norvane::serial {

class TTriggerTable {
  public:
    // What one received byte did to the table.
    struct TMatchStep {
        bool Any = false;           // at least one trigger is completed and due
        std::uint32_t Longest = 0;  // the length of the longest of them
    };
    // A completed trigger whose notification is now being sent.
    struct TMatchedTrigger {
        std::uint32_t Handle = 0;
        std::uint32_t Length = 0;
    };

    // Adds a trigger on `length` bytes (bytes must hold them, length at most
    // kMaxDataTriggerLength) and returns its handle; -ecNoMoreTriggers when every handle is
    // in use.
    std::int32_t Add(const std::uint8_t* bytes, std::uint32_t length, bool ignoreCase);
    // Removes every trigger, sets the threshold to 0 and starts handles again at 8.
    void Clear();

    void SetAvailThreshold(std::uint32_t n) { AvailThreshold_ = n; }
    std::uint32_t AvailThreshold() const { return AvailThreshold_; }

    void Save(TTriggerSet& set) const;
    // Replaces threshold and triggers by copies of set's, unmatched, and moves the handle
    // counter past the restored handles. Every record must be at most kMaxDataTriggerLength
    // long (the caller checks).
    void Restore(const TTriggerSet& set);

    // Drops every partial match (the bytes they were built on are gone).
    void ResetPartialMatches();
    // Feeds one received byte to every trigger that is not already completed.
    TMatchStep Match(std::uint8_t byte);

    std::size_t Size() const { return Triggers_.size(); }
    // If the trigger at index (below Size()) is completed, marks it reported and returns it.
    std::optional<TMatchedTrigger> TakeMatch(std::size_t index);

  private:
    std::int32_t NextHandle();
    bool HandleInUse(std::uint32_t handle) const;

    std::vector<TDataTrigger> Triggers_;
    std::uint32_t AvailThreshold_ = 0;
    std::uint32_t NextHandle_ = 1;
};

}  // namespace norvane::serial
