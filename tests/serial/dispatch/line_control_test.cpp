// Line control over a scripted device, for what a pseudo-terminal cannot show: a device
// that refuses a block.
#include "serial/dispatch/line_control.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <utility>

#include "fake_line_device.h"

#include "serial/errors/error_codes.h"

namespace norvane::serial {
namespace {

// A flow change that never reached the device must not hand DTR and RTS to flow control:
// the program could no longer set lines that nothing else drives.
TEST(LineControl, AFlowChangeTheDeviceRefusesLeavesDtrAndRtsWithTheProgram) {
    auto scripted = std::make_unique<testing::TFakeLineDevice>();
    testing::TFakeLineDevice& device = *scripted;
    TOpenDevice open;
    ASSERT_GE(open.Open(std::move(scripted), "scripted"), 0);
    std::recursive_mutex dataLock;
    TLineControl line(open, dataLock, [] { return 0u; });
    line.PrepareOpen(TLineControl::kLineDtrOn | TLineControl::kLineRtsOn, 4096);
    const TDeviceControlBlock before = line.StoredState();

    device.RefuseBlocks();
    EXPECT_EQ(
        line.ConfigureHardwareFlow(100, 10, TLineControl::kFlowUseDtr | TLineControl::kFlowUseRts),
        -ecGeneralFailure);
    EXPECT_EQ(line.StoredState(), before);
    EXPECT_EQ(line.SetDtrLine(true), 0) << "DTR is still the program's";
    EXPECT_EQ(line.SetRtsLine(false), 0) << "RTS is still the program's";

    device.RefuseBlocks(false);
    ASSERT_EQ(line.ConfigureHardwareFlow(100, 10, TLineControl::kFlowUseDtr), 0);
    EXPECT_EQ(line.SetDtrLine(false), 1) << "now flow control's";
    EXPECT_EQ(device.Applied().fDtrControl, DTR_CONTROL_HANDSHAKE);
    EXPECT_EQ(device.Applied().fRtsControl, RTS_CONTROL_DISABLE) << "the last wish for RTS";
}

}  // namespace
}  // namespace norvane::serial
