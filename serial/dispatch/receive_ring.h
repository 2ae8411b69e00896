#pragma once
// TReceiveRing: the bytes a dispatcher has received from its device and not yet consumed.
//
// Positions count bytes since the ring was allocated instead of wrapping at its size, so a
// ring that is exactly full or exactly drained is never mistaken for the other: Head() is
// the number of bytes ever written, Tail() the number ever consumed.
//
// While a notification offers the unread bytes to its handlers, reading does not consume:
// each handler walks through the unread bytes from the tail with its own take count, the
// largest count any handler reached is remembered, and CommitOffer consumes that many once
// the notification is over.
//
// Not locked: the dispatcher guards it with its input lock, and every call must be made with
// that lock held. No operation fails; reads from a ring that is not allocated find it empty.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

namespace norvane::serial {

class TReceiveRing {
  public:
    // size places once allocated; none until then.
    explicit TReceiveRing(std::uint32_t size) : Size_(size) {}

    std::uint32_t Size() const { return Size_; }

    // Gives the ring fresh, empty storage with every position and count at 0.
    void Allocate();
    // Frees the storage; the unread bytes count as consumed and any offer ends. Afterwards
    // the ring reads as empty until the next Allocate.
    void Release();
    bool Allocated() const { return Bytes_ != nullptr; }

    std::uint64_t Head() const { return HeadCount_; }
    std::uint64_t Tail() const { return TailCount_; }
    // The oldest position whose byte is still in the ring (older ones were overwritten).
    std::uint64_t Oldest() const { return HeadCount_ > Size_ ? HeadCount_ - Size_ : 0; }
    std::uint32_t Unread() const { return static_cast<std::uint32_t>(HeadCount_ - TailCount_); }
    bool Full() const { return Unread() == Size_; }
    // The byte at an absolute position, which must lie between Oldest() and Head(); 0 when
    // the ring is not allocated.
    std::uint8_t ByteAt(std::uint64_t position) const;

    // Reads up to `wanted` more bytes into the free places, in at most two stretches: from
    // the head to the end of the storage (asked for whole), then, only when that stretch was
    // filled, the rest of `wanted` from the start. `read` fills the stretch it is given and
    // returns how many bytes it put there (0 for a failure); the head advances by that.
    // Nothing happens when the ring is full or not allocated.
    using TStretchReader = std::function<std::uint32_t(std::span<std::uint8_t> stretch)>;
    void Fill(std::uint32_t wanted, const TStretchReader& read);

    // The next unread byte: consumed outside an offer, only counted during one. Nothing when
    // every byte has been read or the ring is not allocated.
    std::optional<std::uint8_t> Take();
    // The n-th (n from 1) byte after those read so far, without reading it. Nothing when
    // fewer than n are left; n must be at least 1.
    std::optional<std::uint8_t> Peek(std::uint32_t n) const;
    // Unread bytes, not counting those the current handler has read during an offer.
    std::uint32_t Readable() const;
    // Consumes every unread byte; during an offer, by making the offer's commit consume them.
    void Discard();

    // ---- Offers (the dispatch thread's notification delivery) ----

    // Starts a notification: with offersBytes, reading no longer consumes.
    void BeginOffer(bool offersBytes);
    // A handler is about to be called: it starts reading at the tail.
    void BeginHandler() { TakeCount_ = 0; }
    // The handler returned: remembers how far it read.
    void EndHandler();
    // Consumes as many bytes as the farthest-reading handler read (no more than are unread)
    // and returns how far that handler read; reading consumes again.
    std::uint32_t CommitOffer();
    // Ends the notification without consuming anything more.
    void EndOffer();

  private:
    std::uint32_t Index(std::uint64_t position) const {
        return static_cast<std::uint32_t>(position % Size_);
    }
    std::uint32_t Skipped() const { return Offering_ ? TakeCount_ : 0; }

    const std::uint32_t Size_;
    std::unique_ptr<std::uint8_t[]> Bytes_;
    std::uint64_t HeadCount_ = 0;
    std::uint64_t TailCount_ = 0;
    std::uint32_t TakeCount_ = 0;    // read by the handler being called
    std::uint32_t LargestTake_ = 0;  // the most any handler of this offer read
    bool Offering_ = false;
};

}  // namespace norvane::serial
