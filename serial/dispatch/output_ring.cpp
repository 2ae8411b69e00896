#include "serial/dispatch/output_ring.h"

#include <algorithm>
#include <cstring>

namespace norvane::serial {

TOutputRing::TOutputRing(std::uint32_t size) : Bytes_(size) {}

std::uint32_t TOutputRing::Pending() const {
    if (Full_) {
        return Size();
    }
    return Head_ >= Tail_ ? Head_ - Tail_ : Size() - Tail_ + Head_;
}

bool TOutputRing::Write(const std::uint8_t* bytes, std::uint32_t count) {
    if (count == 0) {
        return true;
    }
    if (count > Room()) {
        return false;
    }
    const std::uint32_t beforeEnd = Size() - Head_;
    if (count < beforeEnd) {
        std::memcpy(Bytes_.data() + Head_, bytes, count);
        Head_ += count;
    } else {
        std::memcpy(Bytes_.data() + Head_, bytes, beforeEnd);
        std::memcpy(Bytes_.data(), bytes + beforeEnd, count - beforeEnd);
        Head_ = count - beforeEnd;
    }
    Full_ = Head_ == Tail_;
    return true;
}

std::span<const std::uint8_t> TOutputRing::NextChunk() {
    if (Pending() == 0) {
        return {};
    }
    if (Head_ > Tail_) {
        return {Bytes_.data() + Tail_, Head_ - Tail_};
    }
    if (Head_ == 0) {
        return {Bytes_.data() + Tail_, Size() - Tail_};
    }
    // The pending bytes run from the tail to the end and on from the start to the head:
    // bring the older part to the front, the newer part follows it.
    const std::uint32_t pending = Pending();
    std::rotate(Bytes_.begin(), Bytes_.begin() + Tail_, Bytes_.end());
    Tail_ = 0;
    Head_ = pending == Size() ? 0 : pending;
    return {Bytes_.data(), pending};
}

void TOutputRing::Consume(std::uint32_t count) {
    if (count == 0) {
        return;
    }
    count = std::min(count, Pending());
    Full_ = false;
    Tail_ += count;
    if (Tail_ >= Size()) {
        Tail_ -= Size();
    }
    if (Tail_ == Head_) {
        Tail_ = 0;
        Head_ = 0;
    }
}

void TOutputRing::Clear() {
    Head_ = 0;
    Tail_ = 0;
    Full_ = false;
}

}  // namespace norvane::serial
