#pragma once
// A scripted line device: an input queue the test fills with Arrive and an output record
// that Write appends to. Locked, so a test may feed bytes from one thread while another
// runs the dispatch cycle.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "serial/dispatch/line_device.h"

namespace norvane::serial::testing {

class TFakeLineDevice final : public TLineDevice {
  public:
    // The descriptor the device reports while open (nobody polls it).
    static constexpr int kFd = 3;

    // ---- the far end ----
    void Arrive(std::string_view bytes);
    std::size_t Queued();
    std::string Sent();
    void SetErrorWord(std::uint32_t errors);  // reported (once) by the next TakeLineErrors
    void SetModemLines(std::uint8_t lines);
    void FailRead(int nth = 1);             // the nth Read from now fails (not as a lost device)
    void RefuseBlocks(bool refuse = true);  // ApplySettings fails while set

    std::vector<std::uint32_t> ReadRequests();  // count asked for by each Read
    int InputDiscards();
    int OutputDiscards();
    TDeviceControlBlock Applied();  // the block last put into force

    // ---- TLineDevice ----
    int Open(const std::string&) override;
    int Close() override;
    bool IsOpen() const override;
    int Fd() const override { return kFd; }
    int Read(void* buffer, int count) override;
    int Write(const void* bytes, int count) override;
    bool HangUpReported() override { return false; }
    int InputQueued() override;
    int OutputQueued() override { return 0; }
    int DiscardInput() override;
    int DiscardOutput() override;
    std::uint8_t ModemStatus() override;
    int SetDtr(bool) override { return 0; }
    int SetRts(bool) override { return 0; }
    std::uint32_t TakeLineErrors() override;
    int SetRs485(bool) override;
    // The block last applied, once there is one; before, the fields stay as passed in.
    int ReadSettings(TDeviceControlBlock& dcb) override;
    int ApplySettings(const TDeviceControlBlock& dcb, bool awaitReplies) override;

  private:
    mutable std::mutex Mutex_;
    bool Open_ = false;
    std::deque<std::uint8_t> Input_;
    std::string Output_;
    std::uint32_t ErrorWord_ = 0;
    std::uint8_t ModemLines_ = 0;
    int ReadsUntilFailure_ = 0;
    bool RefuseBlocks_ = false;
    bool HasBlock_ = false;
    TDeviceControlBlock Block_;
    std::vector<std::uint32_t> ReadRequests_;
    int InputDiscards_ = 0;
    int OutputDiscards_ = 0;
};

}  // namespace norvane::serial::testing
