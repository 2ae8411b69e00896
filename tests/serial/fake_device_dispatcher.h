#pragma once
// A dispatcher over a scripted device, for tests of everything above the driver.
//
// The "device" is an input queue the test fills with Arrive and an output record that
// WriteDevice appends to. No threads: the test (or a thread it starts) plays the dispatch
// thread by calling ProcessComEvent. The device side is locked, so a test may feed bytes
// from one thread while another runs the cycle.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "serial/dispatch/base_dispatcher.h"

namespace norvane::serial::testing {

class TFakeDeviceDispatcher final : public TVexaBaseDispatcher {
  public:
    TFakeDeviceDispatcher() : TVexaBaseDispatcher(nullptr) {}
    ~TFakeDeviceDispatcher() override { Shutdown(); }

    // What the driver's open does to the base: a ring, fresh state, a valid handle.
    void Open(std::uint32_t outSize = 64) {
        PrepareOpen(4096, outSize);
        SetPortHandle(3);
    }
    // One dispatch cycle as the dispatch thread runs it after a received-character event.
    bool Cycle() { return ProcessComEvent(0x0001); }

    // ---- device side ----
    void Arrive(std::string_view bytes);
    std::size_t DeviceQueued();
    std::string Sent();
    void SetErrorWord(std::uint32_t errors);  // reported (once) by the next ReadStatus
    void SetModemLines(std::uint8_t lines);
    void FailRead(int nth = 1);  // the nth ReadDevice from now returns -1
    void RefuseWrites() { RefuseWrites_ = true; }
    void SetPendingOutput(std::uint32_t pending);
    void SeeRing() { NoteRingSeen(); }

    std::vector<std::uint32_t> ReadRequests();  // count asked for by each ReadDevice
    int InputFlushes() const { return InputFlushes_; }
    int OutputFlushes() const { return OutputFlushes_; }
    int ReportedErrors() const { return ReportedErrors_; }
    int StopThreadsCalls() const { return StopThreadsCalls_; }
    bool HandleClosed() const { return !PortOpen(); }

    // ---- device operations ----
    std::int32_t FlushDevice(std::int32_t which) override;
    std::uint32_t ReadStatus(TDriverStatus& status) override;
    std::int32_t ReportError(std::int32_t) override;
    std::int32_t ReadDevice(std::uint8_t* buffer, std::uint32_t count) override;
    std::int32_t WriteDevice(const std::uint8_t* bytes, std::uint32_t count) override;
    std::uint8_t ReadModemLines() override;
    std::int32_t OpenComHandle(const std::string&, std::uint32_t, std::uint32_t) override {
        return 3;
    }
    std::int32_t CloseComHandle() override {
        SetPortHandle(-1);
        return 0;
    }
    void StartThreads() override {}
    void StopThreads() override { ++StopThreadsCalls_; }
    std::int32_t YieldTime() override { return 0; }

  private:
    std::mutex Mutex_;
    std::deque<std::uint8_t> Input_;
    std::string Output_;
    std::uint32_t PendingOutput_ = 0;
    std::uint32_t ErrorWord_ = 0;
    std::uint8_t ModemLines_ = 0;
    int ReadsUntilFailure_ = 0;
    bool RefuseWrites_ = false;
    std::vector<std::uint32_t> ReadRequests_;
    int InputFlushes_ = 0;
    int OutputFlushes_ = 0;
    int ReportedErrors_ = 0;
    int StopThreadsCalls_ = 0;
};

}  // namespace norvane::serial::testing
