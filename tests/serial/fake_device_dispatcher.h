#pragma once
// A dispatcher over a scripted line device (fake_line_device.h), for tests of everything
// above the driver.
//
// No threads: the test (or a thread it starts) plays the dispatch thread by calling
// ProcessComEvent, and the output thread by calling SendQueued.

#include <cstdint>
#include <memory>
#include <string>

#include "fake_line_device.h"
#include "serial/dispatch/base_dispatcher.h"

namespace norvane::serial::testing {

class TFakeDeviceDispatcher final : public TVexaBaseDispatcher {
  public:
    TFakeDeviceDispatcher() : TVexaBaseDispatcher(nullptr) {}
    ~TFakeDeviceDispatcher() override { Shutdown(); }

    // What the driver's open does to the base: the device open, a ring, fresh state.
    void Open(std::uint32_t outSize = 64);
    // One dispatch cycle as the dispatch thread runs it after a received-character event.
    bool Cycle() { return ProcessComEvent(0x0001); }
    // The dispatch thread's end: a scan relayed to the window's thread runs out first.
    void EndCycles() { EndScanRelay(); }
    // Writes the output ring to the device, as the output thread would.
    void SendQueued();
    void SeeRing() { NoteRingSeen(); }

    // The device of the last open (or the one the next open takes).
    TFakeLineDevice& Line() { return *Line_; }
    int StopThreadsCalls() const { return StopThreadsCalls_; }
    bool HandleClosed() const { return !PortOpen(); }

    // ---- the driver ----
    std::int32_t OpenComHandle(const std::string& name, std::uint32_t,
                               std::uint32_t outSize) override {
        return OpenDevice(name, outSize);
    }
    std::int32_t CloseComHandle() override { return CloseDevice(); }
    void StartThreads() override {}
    void StopThreads() override { ++StopThreadsCalls_; }

  protected:
    std::unique_ptr<TLineDevice> MakeDevice(const std::string& name) override;
    void OutputQueued() override {}

  private:
    std::unique_ptr<TFakeLineDevice> Next_ = std::make_unique<TFakeLineDevice>();
    TFakeLineDevice* Line_ = Next_.get();
    int StopThreadsCalls_ = 0;
};

}  // namespace norvane::serial::testing
