#include "serial/dispatch/receive_ring.h"

#include <algorithm>

namespace norvane::serial {

void TReceiveRing::Allocate() {
    Bytes_ = std::make_unique<std::uint8_t[]>(Size_);
    HeadCount_ = 0;
    TailCount_ = 0;
    TakeCount_ = 0;
    LargestTake_ = 0;
    Offering_ = false;
}

void TReceiveRing::Release() {
    Bytes_.reset();
    TailCount_ = HeadCount_;
    TakeCount_ = 0;
    LargestTake_ = 0;
    Offering_ = false;
}

std::uint8_t TReceiveRing::ByteAt(std::uint64_t position) const {
    return Bytes_ ? Bytes_[Index(position)] : 0;
}

void TReceiveRing::Fill(std::uint32_t wanted, const TStretchReader& read) {
    if (!Bytes_ || Full()) {
        return;
    }
    const std::uint32_t free = Size_ - Unread();
    const std::uint32_t stretch = std::min(free, Size_ - Index(HeadCount_));
    const std::uint32_t limited = std::min(free, wanted);
    const std::uint32_t second = limited > stretch ? limited - stretch : 0;
    auto readAtHead = [&](std::uint32_t count) {
        const std::uint32_t got =
            std::min(read(std::span<std::uint8_t>(Bytes_.get() + Index(HeadCount_), count)), count);
        HeadCount_ += got;
        return got;
    };
    // A filled first stretch ends at the end of the storage, so the second starts at 0.
    if (readAtHead(stretch) == stretch && second > 0) {
        readAtHead(second);
    }
}

std::optional<std::uint8_t> TReceiveRing::Take() {
    if (!Bytes_) {
        return std::nullopt;
    }
    if (Offering_) {
        if (TakeCount_ >= Unread()) {
            return std::nullopt;
        }
        return Bytes_[Index(TailCount_ + TakeCount_++)];
    }
    if (Unread() == 0) {
        return std::nullopt;
    }
    return Bytes_[Index(TailCount_++)];
}

std::optional<std::uint8_t> TReceiveRing::Peek(std::uint32_t n) const {
    if (!Bytes_ || Readable() < n) {
        return std::nullopt;
    }
    return Bytes_[Index(TailCount_ + Skipped() + n - 1)];
}

std::uint32_t TReceiveRing::Readable() const {
    return Unread() - Skipped();
}

void TReceiveRing::Discard() {
    if (Offering_) {
        LargestTake_ = Unread();
    } else {
        TailCount_ = HeadCount_;
        TakeCount_ = 0;
    }
}

void TReceiveRing::BeginOffer(bool offersBytes) {
    LargestTake_ = 0;
    TakeCount_ = 0;
    Offering_ = offersBytes;
}

void TReceiveRing::EndHandler() {
    LargestTake_ = std::max(LargestTake_, TakeCount_);
}

std::uint32_t TReceiveRing::CommitOffer() {
    Offering_ = false;
    TailCount_ += std::min(LargestTake_, Unread());
    return LargestTake_;
}

void TReceiveRing::EndOffer() {
    Offering_ = false;
    TakeCount_ = 0;
}

}  // namespace norvane::serial
