#pragma once
// The serial driver's output ring: bytes queued by the application, not yet written to the
// device.
//
// Writers copy in at the head, splitting a block that does not fit before the end of the
// buffer between the end and the start. The output thread takes from the tail, one
// contiguous chunk per device write: when the pending bytes wrap round the end, NextChunk
// first rotates the buffer so that they lie in one piece from position 0, and one write
// can take them all. Whenever the ring drains, both positions go back to 0.
//
// Not locked: the driver guards it with the dispatcher's output lock.

#include <cstdint>
#include <span>
#include <vector>

namespace norvane::serial {

class TOutputRing {
  public:
    explicit TOutputRing(std::uint32_t size);

    std::uint32_t Size() const { return static_cast<std::uint32_t>(Bytes_.size()); }
    std::uint32_t Pending() const;
    std::uint32_t Room() const { return Size() - Pending(); }
    std::uint32_t Head() const { return Head_; }
    std::uint32_t Tail() const { return Tail_; }

    // Copies count bytes in after the pending ones. False, with nothing copied, when they do
    // not fit in Room().
    bool Write(const std::uint8_t* bytes, std::uint32_t count);

    // All pending bytes in one piece (rotating the buffer when they wrap), or an empty span.
    // Valid until the next Write, Consume or Clear.
    std::span<const std::uint8_t> NextChunk();

    // Drops the first count pending bytes (those the device took). count must not exceed
    // the chunk NextChunk gave.
    void Consume(std::uint32_t count);

    // Drops everything pending.
    void Clear();

  private:
    std::vector<std::uint8_t> Bytes_;
    std::uint32_t Head_ = 0;  // next place to write
    std::uint32_t Tail_ = 0;  // next byte to send
    bool Full_ = false;       // head == tail and every byte pending
};

}  // namespace norvane::serial
