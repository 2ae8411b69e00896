#include "fake_device_dispatcher.h"

#include <mutex>

namespace norvane::serial::testing {

void TFakeDeviceDispatcher::Open(std::uint32_t outSize) {
    OpenComHandle("fake", 4096, outSize);
    PrepareOpen();
}

void TFakeDeviceDispatcher::SendQueued() {
    std::lock_guard out(OutputLock());
    TOutputRing* const ring = OutputRing();
    if (ring == nullptr) {
        return;
    }
    for (auto chunk = ring->NextChunk(); !chunk.empty(); chunk = ring->NextChunk()) {
        ring->Consume(
            static_cast<std::uint32_t>(Line_->Write(chunk.data(), static_cast<int>(chunk.size()))));
    }
}

std::unique_ptr<TLineDevice> TFakeDeviceDispatcher::MakeDevice(const std::string&) {
    if (!Next_) {
        Next_ = std::make_unique<TFakeLineDevice>();
        Line_ = Next_.get();
    }
    return std::move(Next_);
}

}  // namespace norvane::serial::testing
