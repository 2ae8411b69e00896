// The dispatch ring, output queueing and the line and modem status of the base dispatcher,
// over a scripted device.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "fake_device_dispatcher.h"
#include "serial/errors/error_codes.h"

namespace norvane::serial::testing {
namespace {

constexpr std::uint32_t kRing = TVexaBaseDispatcher::kDispatchRingSize;

std::string Pattern(std::size_t length, char first = 'a') {
    std::string s;
    for (std::size_t i = 0; i < length; ++i) {
        s += static_cast<char>(first + static_cast<char>(i % 26));
    }
    return s;
}

std::string TakeAll(TVexaBaseDispatcher& d) {
    std::string taken;
    for (std::int32_t c = d.TakeChar(); c >= 0; c = d.TakeChar()) {
        taken += static_cast<char>(c);
    }
    return taken;
}

class DispatchRing : public ::testing::Test {
  protected:
    void SetUp() override { Device.Open(); }
    TFakeDeviceDispatcher Device;
};

TEST_F(DispatchRing, EmptyRingReportsEmptyAndChangesNothing) {
    EXPECT_EQ(Device.TakeChar(), -ecBufferIsEmpty);
    EXPECT_EQ(Device.PeekAt(1), -ecBufferIsEmpty);
    EXPECT_EQ(Device.PeekAt(0), -ecBadArgument);
    EXPECT_EQ(Device.UnreadCount(), 0u);
    EXPECT_FALSE(Device.FillDispatchBuffer());  // nothing queued at the device

    Device.Line().Arrive("x");
    Device.FillDispatchBuffer();
    EXPECT_EQ(Device.TakeChar(), 'x');
    EXPECT_EQ(Device.TakeChar(), -ecBufferIsEmpty);
}

TEST_F(DispatchRing, BytesStraddlingTheEndAreReadInTwoStretchesAndKeepTheirOrder) {
    Device.Line().Arrive(Pattern(kRing - 5));
    Device.FillDispatchBuffer();
    TakeAll(Device);

    const std::string straddling = "0123456789";
    Device.Line().Arrive(straddling);
    EXPECT_TRUE(Device.FillDispatchBuffer());
    const auto requests = Device.Line().ReadRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1], 5u);  // up to the end of the ring
    EXPECT_EQ(requests[2], 5u);  // the rest from the start
    EXPECT_EQ(Device.UnreadCount(), 10u);
    EXPECT_EQ(Device.PeekAt(6), '5');
    EXPECT_EQ(Device.PeekAt(11), -ecBufferIsEmpty);
    EXPECT_EQ(TakeAll(Device), straddling);
}

TEST_F(DispatchRing, FullRingReadsNothingMoreUntilBytesAreTaken) {
    Device.Line().Arrive(Pattern(kRing + 100));
    Device.FillDispatchBuffer();
    EXPECT_EQ(Device.UnreadCount(), kRing);
    EXPECT_TRUE(Device.FillDispatchBuffer());  // full: go on, but read nothing
    EXPECT_EQ(Device.Line().Queued(), 100u);
    EXPECT_EQ(Device.Line().ReadRequests().size(), 1u);

    EXPECT_EQ(Device.TakeChar(), 'a');
    Device.FillDispatchBuffer();
    EXPECT_EQ(Device.UnreadCount(), kRing);
    EXPECT_EQ(Device.Line().Queued(), 99u);
    EXPECT_EQ(TakeAll(Device), Pattern(kRing + 1).substr(1));
}

TEST_F(DispatchRing, FailedDeviceReadCountsAsNothingRead) {
    Device.Line().Arrive("abc");
    Device.Line().FailRead();
    EXPECT_TRUE(Device.FillDispatchBuffer());
    EXPECT_FALSE(Device.DeviceLost()) << "a failure that is no loss leaves the port working";
    EXPECT_EQ(Device.UnreadCount(), 0u);
    Device.FillDispatchBuffer();
    EXPECT_EQ(TakeAll(Device), "abc");
}

TEST_F(DispatchRing, FailedSecondStretchAdvancesNothing) {
    Device.Line().Arrive(Pattern(kRing - 3));
    Device.FillDispatchBuffer();
    TakeAll(Device);

    Device.Line().Arrive("wxyz");
    Device.Line().FailRead(2);  // the read after the three places before the end
    Device.FillDispatchBuffer();
    EXPECT_EQ(TakeAll(Device), "wxy");
    Device.FillDispatchBuffer();
    EXPECT_EQ(TakeAll(Device), "z");
}

TEST_F(DispatchRing, FlushInputDiscardsRingAndDevice) {
    Device.Line().Arrive("abc");
    Device.FillDispatchBuffer();
    Device.Line().Arrive("def");
    EXPECT_EQ(Device.FlushInput(), 0);
    EXPECT_EQ(Device.UnreadCount(), 0u);
    EXPECT_EQ(Device.Line().Queued(), 0u);
    EXPECT_EQ(Device.Line().InputDiscards(), 1);
}

TEST_F(DispatchRing, ReleasedRingReadsAsEmpty) {
    Device.Line().Arrive("abc");
    Device.FillDispatchBuffer();
    Device.ReleaseBuffers();
    EXPECT_EQ(Device.UnreadCount(), 0u);
    EXPECT_EQ(Device.TakeChar(), -ecBufferIsEmpty);
    EXPECT_EQ(Device.PeekAt(1), -ecBufferIsEmpty);
    EXPECT_FALSE(Device.FillDispatchBuffer());
    EXPECT_FALSE(Device.ScanDataTriggers());
}

TEST(DispatchOutput, QueuesWhatFitsAndRefusesTheRestWhole) {
    TFakeDeviceDispatcher device;
    device.Open(10);
    const std::string bytes = "0123456789AB";
    auto queue = [&](std::size_t n) {
        return device.QueueOutput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                  static_cast<std::uint32_t>(n));
    };

    EXPECT_EQ(queue(0), 0);
    EXPECT_EQ(queue(11), -ecOutputBufferTooSmall);
    EXPECT_EQ(device.Line().Sent(), "");
    EXPECT_EQ(queue(4), 0);
    EXPECT_EQ(device.OutputPending(), 4u);
    EXPECT_EQ(device.OutputRoom(), 6u);
    EXPECT_EQ(queue(7), -ecOutputBufferTooSmall);
    EXPECT_EQ(queue(6), 0);  // exactly the room left
    EXPECT_EQ(device.OutputRoom(), 0u);
    device.SendQueued();
    EXPECT_EQ(device.Line().Sent(), "0123012345");
    EXPECT_EQ(device.OutputRoom(), 10u);
    EXPECT_EQ(device.QueueOutput(nullptr, 1), -ecBadArgument);
}

TEST(DispatchOutput, OutputWithoutAnOutputRingFailsTheBlock) {
    TFakeDeviceDispatcher device;
    device.Open(10);
    device.ReleaseBuffers();
    const std::uint8_t byte = 'x';
    EXPECT_EQ(device.QueueOutput(&byte, 1), -ecPutBlockFail);
}

// Output held back for good (flow control that never releases the line) must not hang a
// line change: the drain wait gives up after 5000 polls of 2 ms.
TEST(DispatchOutput, ALineChangeStopsWaitingForOutputThatNeverLeaves) {
    TFakeDeviceDispatcher device;
    device.Open();
    const std::string held(10, 'x');  // never sent: nobody plays the output thread
    ASSERT_EQ(device.QueueOutput(reinterpret_cast<const std::uint8_t*>(held.data()), 10), 0);
    std::vector<std::chrono::milliseconds> sleeps;
    device.SetSleepFunction([&](std::chrono::milliseconds d) { sleeps.push_back(d); });
    ASSERT_EQ(device.ConfigureLine(19200, pcNone, 8, 1), 0);
    ASSERT_EQ(sleeps.size(), 5001u) << "the polls and the wait for the UART";
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end() - 1, std::chrono::milliseconds(2)), 5000);
}

// (A pseudo-terminal forces 8 data bits, so the range is checked on the device block.)
TEST(LineSettings, DataBitsFrom5To8AreTakenAnd9KeepsThem) {
    TFakeDeviceDispatcher device;
    device.Open();
    struct TCase {
        std::uint8_t Bits;
        std::int32_t Result;
        std::uint8_t Then;
    };
    for (const TCase& c : {TCase{4, -ecByteSize, 8}, TCase{5, 0, 5}, TCase{8, 0, 8}, TCase{7, 0, 7},
                           TCase{9, 0, 7}, TCase{10, -ecByteSize, 7}}) {
        EXPECT_EQ(device.ConfigureLine(0, 5, c.Bits, 3), c.Result) << int{c.Bits};
        TVexaBaseDispatcher::TDeviceLine line;
        ASSERT_EQ(device.QueryLine(line), 0);
        EXPECT_EQ(line.DataBits, c.Then) << int{c.Bits};
    }
}

TEST(LineStatus, ErrorsAreReportedMostUrgentFirstAndBreakSeparately) {
    TFakeDeviceDispatcher device;
    device.Open();
    device.Line().SetErrorWord(kLineErrorOverrun | kLineErrorFraming | kLineErrorBreak);
    device.ReadLineStatus();
    EXPECT_EQ(device.ReadLineError(), 2);  // overrun before framing; clears both
    EXPECT_EQ(device.ReadLineError(), 9);  // break remains
    EXPECT_TRUE(device.ReadBreak());
    EXPECT_FALSE(device.ReadBreak());
    EXPECT_EQ(device.ReadLineError(), 0);
}

TEST(LineStatus, ErrorsSeenWhileQueueingOutputAreNotLost) {
    TFakeDeviceDispatcher device;
    device.Open();
    device.Line().SetErrorWord(kLineErrorParity);
    device.ReadLineStatus();
    device.Line().SetErrorWord(kLineErrorQueueOverflow);
    const std::uint8_t byte = 'x';
    device.QueueOutput(&byte, 1);  // its status refresh reads (and clears) the device's word
    EXPECT_EQ(device.ReadLineError(), 1);
    device.Line().SetErrorWord(kLineErrorParity);
    device.QueueOutput(&byte, 1);
    EXPECT_EQ(device.ReadLineError(), 3);
}

TEST(ModemStatus, ChangesAccumulateUntilCleared) {
    TFakeDeviceDispatcher device;
    device.Open();
    EXPECT_EQ(device.RefreshModemStatus(0xF0), 0x00);

    device.Line().SetModemLines(0x10 | 0x80);  // CTS and DCD up
    EXPECT_EQ(device.ReadModemChanges(), 0x10 | 0x80 | 0x01 | 0x08);
    device.Line().SetModemLines(0x80);  // CTS down again
    EXPECT_EQ(device.ReadModemChanges(), 0x80 | 0x01 | 0x08);
    EXPECT_EQ(device.RefreshModemStatus(0xF0), 0x80 | 0x01 | 0x08);  // reports, then clears
    EXPECT_EQ(device.RefreshModemStatus(0xFF), 0x80);

    device.SeeRing();
    EXPECT_EQ(device.RefreshModemStatus(0xF0), 0x80 | 0x04);
    EXPECT_EQ(device.RefreshModemStatus(0xFF), 0x80);
}

TEST(ModemStatus, ModemEventsInTheCycleUpdateTheStatus) {
    TFakeDeviceDispatcher device;
    device.Open();
    device.Line().SetModemLines(0x20);
    device.ProcessComEvent(TVexaBaseDispatcher::kEventDsrChange);
    EXPECT_EQ(device.RefreshModemStatus(0xF0), 0x20 | 0x02);
}

}  // namespace
}  // namespace norvane::serial::testing
