#pragma once
// Turns received bytes into the link's notifications in the order the serial layer uses:
// the unread bytes before a line feed in one avail notification, then one data
// notification per line-feed trigger in creation order; the line feed itself, with
// whatever follows it, is offered by the next avail. Port doubles share it so that
// they all deliver exactly alike.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "device/device_port.h"
#include "device/instrument_link.h"

namespace norvane::device::testing {

class TLineNotifier {
  public:
    // Registers a line-feed trigger and returns its handle (multiples of 8, as the serial
    // layer numbers data triggers). Only the case-sensitive line feed is known here.
    std::uint16_t AddTrigger(const std::string& pattern, bool ignoreCase);

    // Bytes received: notifies `link` with `sender` as the notifying port.
    void Deliver(const std::string& bytes, IDevicePort& sender, TInstrumentLink* link);

    // The next character of the avail notification in progress.
    char TakeChar();

    std::size_t UnreadCount() const { return Unread_.size(); }

  private:
    void Offer(std::size_t count, IDevicePort& sender, TInstrumentLink* link);

    std::vector<std::uint16_t> Triggers_;
    std::deque<char> Unread_;
    std::size_t Offered_ = 0;
};

}  // namespace norvane::device::testing
