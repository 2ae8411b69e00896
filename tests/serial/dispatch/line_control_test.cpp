// Line control over a scripted device control block, for what a pseudo-terminal cannot
// show: a device that refuses a block.
#include "serial/dispatch/line_control.h"

#include <gtest/gtest.h>

#include <mutex>

#include "serial/errors/error_codes.h"

namespace norvane::serial {
namespace {

class TScriptedLineDevice final : public ILineControlDevice {
  public:
    std::int32_t GetDeviceState(TDeviceControlBlock& state) override {
        state = Block;
        return 0;
    }
    std::int32_t SetDeviceState(const TDeviceControlBlock& state) override {
        if (Refuse) {
            return -ecGeneralFailure;
        }
        Block = state;
        return 0;
    }
    std::int32_t EscapeFunction(std::int32_t) override { return 0; }
    std::int32_t ConfigureDeviceRs485(bool) override { return 0; }
    std::uint32_t OutputPending() override { return 0; }
    std::uint32_t TransmitQueued() override { return 0; }
    std::uint32_t InQueueSize() override { return 4096; }

    TDeviceControlBlock Block;
    bool Refuse = false;
};

// A flow change that never reached the device must not hand DTR and RTS to flow control:
// the program could no longer set lines that nothing else drives.
TEST(LineControl, AFlowChangeTheDeviceRefusesLeavesDtrAndRtsWithTheProgram) {
    TScriptedLineDevice device;
    std::recursive_mutex dataLock;
    TLineControl line(device, dataLock);
    line.PrepareOpen(TLineControl::kLineDtrOn | TLineControl::kLineRtsOn);
    const TDeviceControlBlock before = line.StoredState();

    device.Refuse = true;
    EXPECT_EQ(
        line.ConfigureHardwareFlow(100, 10, TLineControl::kFlowUseDtr | TLineControl::kFlowUseRts),
        -ecGeneralFailure);
    EXPECT_EQ(line.StoredState(), before);
    EXPECT_EQ(line.SetDtrLine(true), 0) << "DTR is still the program's";
    EXPECT_EQ(line.SetRtsLine(false), 0) << "RTS is still the program's";

    device.Refuse = false;
    ASSERT_EQ(line.ConfigureHardwareFlow(100, 10, TLineControl::kFlowUseDtr), 0);
    EXPECT_EQ(line.SetDtrLine(false), 1) << "now flow control's";
    EXPECT_EQ(device.Block.fDtrControl, DTR_CONTROL_HANDSHAKE);
    EXPECT_EQ(device.Block.fRtsControl, RTS_CONTROL_DISABLE) << "the last wish for RTS";
}

}  // namespace
}  // namespace norvane::serial
