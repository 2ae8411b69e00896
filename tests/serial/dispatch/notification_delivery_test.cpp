// Scanning for data triggers and the avail threshold, and delivering the notifications to
// windows, with the test thread playing the dispatch thread (so sends reach the window's
// handler directly).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fake_device_dispatcher.h"
#include "recording_window.h"
#include "serial/dispatch/dispatcher_registry.h"
#include "serial/dispatch/notification_messages.h"
#include "serial/errors/error_codes.h"

namespace norvane::serial::testing {
namespace {

using Lines = std::vector<std::string>;

class Delivery : public ::testing::Test {
  protected:
    void SetUp() override {
        Device.Open();
        Device.SetAvailThreshold(1);
        Device.AttachWindow(&Window.Target);
        Device.SetHandlerFlags(TVexaBaseDispatcher::kHandlersInstalled);
    }
    std::int32_t Add(const std::string& text, bool ignoreCase = false) {
        return Device.NewDataTrigger(reinterpret_cast<const std::uint8_t*>(text.data()),
                                     static_cast<std::uint32_t>(text.size()), ignoreCase);
    }
    void Receive(const std::string& bytes) {
        Device.Line().Arrive(bytes);
        Device.Cycle();
    }

    TFakeDeviceDispatcher Device;
    TRecordingWindow Window{Device};
};

TEST_F(Delivery, LineInOneReadGivesAvailThenDataThenAvailForTheLineFeed) {
    const std::int32_t lf = Add("\n");
    Receive("12\n");
    EXPECT_EQ(Window.Seen, (Lines{"avail 2 [12]", "data " + std::to_string(lf), "avail 1 [\n]"}));
    ASSERT_EQ(Window.Messages.size(), 3u);
    EXPECT_EQ(RegistryIndexOf(Window.Messages[1].Second), Device.RegistryIndex());
    EXPECT_EQ(ValueOf(Window.Messages[1].Second), 1);  // the trigger's length
    EXPECT_EQ(Window.Messages[0].Second, NotificationSecond(Device.RegistryIndex(), 0));
    EXPECT_EQ(Device.UnreadCount(), 0u);
}

TEST_F(Delivery, BytesWithoutTriggerAreOfferedOncePerArrival) {
    Add("\n");
    Receive("ab");
    Device.Cycle();  // nothing new arrived
    Receive("c");
    EXPECT_EQ(Window.Seen, (Lines{"avail 2 [ab]", "avail 1 [c]"}));
}

TEST_F(Delivery, TriggerSplitOverTwoReadsIsFound) {
    const std::int32_t end = Add("END");
    Receive("xEN");
    Receive("Dy");
    EXPECT_EQ(Window.Seen, (Lines{"avail 3 [xEN]", "data " + std::to_string(end), "avail 2 [Dy]"}));
}

TEST_F(Delivery, SeveralTriggersOnOneByteAreReportedMostRecentFirst) {
    const std::int32_t first = Add("\n");
    const std::int32_t second = Add("\n");
    const std::int32_t third = Add("\n");
    Receive("ok\n");
    EXPECT_EQ(Window.Seen, (Lines{"avail 2 [ok]", "data " + std::to_string(third),
                                  "data " + std::to_string(second), "data " + std::to_string(first),
                                  "avail 1 [\n]"}));
}

TEST_F(Delivery, AvailBeforeAMatchOffersOnlyTheBytesBeforeTheLongestString) {
    const std::int32_t lf = Add("\n");
    const std::int32_t crlf = Add("\r\n");
    Receive("ab\r\n");
    EXPECT_EQ(Window.Seen, (Lines{"avail 2 [ab]", "data " + std::to_string(crlf),
                                  "data " + std::to_string(lf), "avail 2 [\r\n]"}));
}

TEST_F(Delivery, WithoutThresholdOnlyDataIsReportedAndBytesStay) {
    Device.SetAvailThreshold(0);
    const std::int32_t lf = Add("\n");
    Receive("ab\ncd\n");
    EXPECT_EQ(Window.Seen, (Lines{"data " + std::to_string(lf), "data " + std::to_string(lf)}));
    EXPECT_EQ(Device.UnreadCount(), 6u);
}

TEST_F(Delivery, BytesAHandlerLeavesAreOfferedAgainOnlyWhenMoreArrive) {
    Add("\n");
    Window.TakeLimit = 1;
    Receive("abc");
    EXPECT_EQ(Device.UnreadCount(), 2u);
    Device.Cycle();
    EXPECT_EQ(Window.Seen, (Lines{"avail 3 [a]"}));

    Window.TakeLimit = 100;
    Receive("d");
    EXPECT_EQ(Window.Seen, (Lines{"avail 3 [a]", "avail 3 [bcd]"}));
}

TEST_F(Delivery, ShortAvailBeforeAMatchDoesNotHoldBackTheTriggers) {
    const std::string lf = "data " + std::to_string(Add("\n"));
    Window.TakeLimit = 1;
    Receive("ab\ncd\n");
    // Only a short avail for the unread rest ends the cycle; the data notification's result
    // decides after a match.
    EXPECT_EQ(Window.Seen, (Lines{"avail 2 [a]", lf, "avail 4 [b]", lf, "avail 4 [\n]"}));
    Device.Cycle();
    EXPECT_EQ(Window.Seen.size(), 5u);
}

TEST_F(Delivery, HandlersSeeTheSameBytesAndTheLargestTakeIsConsumed) {
    TRecordingWindow second{Device};
    Device.AttachWindow(&second.Target);
    Window.TakeLimit = 1;
    second.TakeLimit = 3;
    Receive("abcd");
    EXPECT_EQ(Window.Seen, (Lines{"avail 4 [a]"}));
    EXPECT_EQ(second.Seen, (Lines{"avail 4 [abc]"}));
    EXPECT_EQ(Device.UnreadCount(), 1u);
    EXPECT_EQ(Device.TakeChar(), 'd');
}

TEST_F(Delivery, ReadsDuringANotificationPeekUntilItEnds) {
    Window.After = [this](const TMessage&) {
        EXPECT_EQ(Device.UnreadCount(), 1u);  // three offered, two taken by the window
        EXPECT_EQ(Device.PeekAt(1), 'c');
        EXPECT_TRUE(Device.InNotification());
    };
    Window.TakeLimit = 2;
    Receive("abc");
    EXPECT_EQ(Device.UnreadCount(), 1u);
    EXPECT_FALSE(Device.InNotification());
}

TEST_F(Delivery, FlushInputDuringANotificationEmptiesTheRingWhenItEnds) {
    Add("XY");
    Window.After = [this](const TMessage&) { Device.FlushInput(); };
    Window.TakeLimit = 0;
    Receive("aaX");
    EXPECT_EQ(Device.UnreadCount(), 0u);
    Window.After = nullptr;
    Window.TakeLimit = 100;
    Receive("Y");  // the partial match was dropped with the flush
    EXPECT_EQ(Window.Seen, (Lines{"avail 3 []", "avail 1 [Y]"}));
}

TEST_F(Delivery, NoHandlerServiceMeansNoMessages) {
    Add("\n");
    Device.SetHandlerFlags(TVexaBaseDispatcher::kHandlersRemoved);
    Receive("a\n");
    EXPECT_TRUE(Window.Seen.empty());
    EXPECT_EQ(Device.UnreadCount(), 2u);
}

TEST_F(Delivery, FullRingIsOfferedAndFollowingBytesToo) {
    constexpr std::uint32_t kRing = TVexaBaseDispatcher::kDispatchRingSize;
    Receive(std::string(kRing + 10, 'z'));
    ASSERT_EQ(Window.Messages.size(), 1u);
    EXPECT_EQ(Window.Messages[0].First, kRing);
    Device.Cycle();
    ASSERT_EQ(Window.Messages.size(), 2u);
    EXPECT_EQ(Window.Messages[1].First, 10u);
}

TEST_F(Delivery, MatchesAcrossTheEndOfTheRing) {
    constexpr std::uint32_t kRing = TVexaBaseDispatcher::kDispatchRingSize;
    Receive(std::string(kRing - 2, 'z'));
    const std::int32_t crlf = Add("\r\n");
    Receive("a\r\nb");
    ASSERT_EQ(Window.Seen.size(), 4u);
    EXPECT_EQ(Window.Seen[1], "avail 1 [a]");
    EXPECT_EQ(Window.Seen[2], "data " + std::to_string(crlf));
    EXPECT_EQ(Window.Seen[3], "avail 3 [\r\nb]");
}

// A window whose thread never picks the message up in time.
class TUnansweredWindow final : public IMessageTarget {
  public:
    TSendResult Send(const TMessage&, std::chrono::milliseconds timeout) override {
        Timeouts.push_back(timeout);
        return {TSendOutcome::TimedOut, 0};
    }
    void Post(const TMessage&) override {}
    std::size_t DeliverPending() override { return 0; }
    std::vector<std::chrono::milliseconds> Timeouts;
};

TEST_F(Delivery, TimedOutSendLeavesItsBytesAndTheNextWindowIsStillServed) {
    TUnansweredWindow hung;
    Device.DetachWindow(&Window.Target);
    Device.AttachWindow(&hung);
    Device.AttachWindow(&Window.Target);
    Window.TakeLimit = 0;
    Receive("ab");
    EXPECT_EQ(hung.Timeouts,
              std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(3000)});
    EXPECT_EQ(Window.Seen, (Lines{"avail 2 []"}));
    EXPECT_EQ(Device.UnreadCount(), 2u);

    Window.TakeLimit = 100;
    Receive("c");
    EXPECT_EQ(Window.Seen.back(), "avail 3 [abc]");
}

// The user-interface thread is stalled for the first `Stalls` sends (they time out), then
// answers through `inner`.
class TStallingWindow final : public IMessageTarget {
  public:
    TStallingWindow(IMessageTarget& inner, int stalls) : Inner_(inner), Stalls_(stalls) {}
    TSendResult Send(const TMessage& message, std::chrono::milliseconds timeout) override {
        if (Stalls_ > 0) {
            --Stalls_;
            return {TSendOutcome::TimedOut, 0};
        }
        return Inner_.Send(message, timeout);
    }
    void Post(const TMessage& message) override { Inner_.Post(message); }
    std::size_t DeliverPending() override { return Inner_.DeliverPending(); }

  private:
    IMessageTarget& Inner_;
    int Stalls_;
};

TEST_F(Delivery, AWithdrawnAvailBeforeALineFeedStillComesBeforeItsData) {
    const std::int32_t lf = Add("\n");
    TStallingWindow stalled(Window.Target, 1);
    Device.DetachWindow(&Window.Target);
    Device.AttachWindow(&stalled);
    Receive("ab\n");
    EXPECT_TRUE(Window.Seen.empty()) << "the line waits for its first part to be taken";
    Device.Cycle();  // the next dispatch tick, nothing new arrived
    EXPECT_EQ(Window.Seen, (Lines{"avail 2 [ab]", "data " + std::to_string(lf), "avail 1 [\n]"}));
    Device.DetachWindow(&stalled);
}

TEST_F(Delivery, TriggersSavedByACloseInsideAnAvailStartUnmatchedOnTheReopenedPort) {
    Add("\n");
    Add("OK");
    TTriggerSet saved;
    Window.After = [&](const TMessage& m) {
        if (m.Id == MsgTriggerAvail && saved.DataTriggers.empty()) {
            Device.SaveTriggerSet(saved);  // what the port component's close does
            Device.CloseComPort();
        }
    };
    Receive("abO\n");  // the line feed has matched, "OK" is half matched
    Window.After = nullptr;
    Device.ReleaseBuffers();
    Device.Open();
    ASSERT_EQ(Device.RestoreTriggerSet(saved), 0);
    Window.Seen.clear();
    Receive("K");
    EXPECT_EQ(Window.Seen, (Lines{"avail 1 [K]"})) << "no line end and no OK that never came";
}

TEST_F(Delivery, CloseFromInsideANotificationKeepsTheRingUntilTheDriverReleasesIt) {
    Add("\n");
    bool closed = false;
    Window.TakeLimit = 0;
    Window.After = [&](const TMessage& m) {
        if (m.Id != MsgTriggerAvail || closed) {
            return;
        }
        closed = true;
        Device.CloseComPort();
        EXPECT_TRUE(Device.ClosePending());
        EXPECT_TRUE(Device.HandleClosed());
        EXPECT_EQ(Device.StopThreadsCalls(), 0);
        EXPECT_EQ(Device.TakeChar(), 'a');  // the ring is still there
    };
    Device.Line().Arrive("ab\ncd\n");
    Device.Cycle();
    EXPECT_TRUE(Device.ClosePending());
    EXPECT_EQ(Window.Seen, (Lines{"avail 2 []"}));  // nothing more about a closing port
    EXPECT_FALSE(Device.InNotification());
    EXPECT_EQ(Device.StopThreadsCalls(), 0);

    Device.ReleaseBuffers();  // what the driver does once the dispatch thread has ended
    EXPECT_EQ(Device.StopThreadsCalls(), 1);
    EXPECT_EQ(Device.TakeChar(), -ecBufferIsEmpty);
}

TEST_F(Delivery, CloseOutsideANotificationReleasesAtOnce) {
    Receive("ab");
    Device.CloseComPort();
    EXPECT_FALSE(Device.ClosePending());
    EXPECT_EQ(Device.StopThreadsCalls(), 1);
    EXPECT_EQ(Device.Line().InputDiscards(), 1);
    EXPECT_EQ(Device.Line().OutputDiscards(), 1);
    EXPECT_EQ(Device.UnreadCount(), 0u);
}

TEST_F(Delivery, DetachingDuringANotificationTakesEffectWhenItEnds) {
    TRecordingWindow second{Device};
    Device.AttachWindow(&second.Target);
    Window.After = [&](const TMessage&) { Device.DetachWindow(&second.Target); };
    Receive("a");
    EXPECT_EQ(Window.Seen.size(), 1u);
    EXPECT_TRUE(second.Seen.empty());  // marked deleted before its turn came
    Window.After = nullptr;
    Receive("b");
    EXPECT_EQ(Window.Seen.size(), 2u);
    EXPECT_TRUE(second.Seen.empty());
}

TEST_F(Delivery, DataTriggerAddedByAHandlerWaitsForTheNextByte) {
    Add("\n");
    std::int32_t added = 0;
    Window.After = [&](const TMessage& m) {
        if (m.Id == MsgTriggerData && added == 0) {
            added = Add("\n");
        }
    };
    Receive("a\nb\n");
    EXPECT_EQ(std::count(Window.Seen.begin(), Window.Seen.end(), "data " + std::to_string(added)),
              1);
}

TEST(Registry, IndexFindsTheDispatcherAndFreedSlotsAreReusedLowestFirst) {
    TFakeDeviceDispatcher first;
    auto second = std::make_unique<TFakeDeviceDispatcher>();
    TFakeDeviceDispatcher third;
    const std::int32_t freed = second->RegistryIndex();
    {
        std::lock_guard lock(RegistryLock());
        EXPECT_EQ(FindDispatcher(freed), second.get());
    }
    second.reset();
    EXPECT_EQ(FindDispatcher(freed), nullptr);
    EXPECT_EQ(FindDispatcher(-1), nullptr);
    TFakeDeviceDispatcher fourth;
    EXPECT_EQ(fourth.RegistryIndex(), freed);
}

}  // namespace
}  // namespace norvane::serial::testing
