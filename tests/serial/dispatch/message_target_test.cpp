// The plain message target and the send hand-over under it, and the dispatcher's
// notification order through a real queue with the dispatch cycle on another thread.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "fake_device_dispatcher.h"
#include "recording_window.h"
#include "serial/dispatch/message_queue.h"
#include "serial/dispatch/pending_send.h"
#include "serial/dispatch/plain_message_target.h"

namespace norvane::serial::testing {
namespace {

using namespace std::chrono_literals;

// Long enough never to expire in a passing run; only stops a broken test from hanging.
constexpr auto kHangGuard = 60s;
constexpr std::uint32_t kDone = 1;

TEST(PlainMessageTarget, SendFromAnotherThreadRunsOnTheOwnerAndReturnsTheResult) {
    const auto owner = std::this_thread::get_id();
    std::thread::id ranOn;
    TPlainMessageTarget target([&](const TMessage& m) {
        ranOn = std::this_thread::get_id();
        return static_cast<std::int32_t>(m.First * 2);
    });
    TSendResult result;
    std::thread sender([&] { result = target.Send(TMessage{7, 21, 0}, kHangGuard); });
    while (target.WaitAndDeliver(kHangGuard) == 0) {
    }
    sender.join();
    EXPECT_EQ(ranOn, owner);
    EXPECT_TRUE(result.Delivered());
    EXPECT_EQ(result.Value, 42);
}

TEST(PlainMessageTarget, SendOnTheOwningThreadRunsAtOnce) {
    int calls = 0;
    TPlainMessageTarget target([&](const TMessage&) { return ++calls; });
    EXPECT_EQ(target.Send(TMessage{}, 0ms).Value, 1);
    EXPECT_EQ(target.DeliverPending(), 0u);
}

TEST(PlainMessageTarget, SendNotPickedUpInTimeIsWithdrawnAndNeverRuns) {
    int calls = 0;
    TPlainMessageTarget target([&](const TMessage&) { return ++calls; });
    TSendResult result{TSendOutcome::Delivered, 0};
    // The owner does not pump until the send has given up, so it must time out.
    std::thread sender([&] { result = target.Send(TMessage{1, 0, 0}, 1ms); });
    sender.join();
    EXPECT_EQ(result.Outcome, TSendOutcome::TimedOut);
    EXPECT_EQ(target.DeliverPending(), 0u);
    EXPECT_EQ(calls, 0);
}

TEST(PlainMessageTarget, PostsAndSendsArriveInQueueOrder) {
    std::vector<std::uint32_t> order;
    TPlainMessageTarget target([&](const TMessage& m) {
        order.push_back(m.Id);
        return 0;
    });
    std::thread sender([&] {
        target.Post(TMessage{1, 0, 0});
        target.Send(TMessage{2, 0, 0}, kHangGuard);
        target.Post(TMessage{3, 0, 0});
    });
    while (order.size() < 3) {
        target.WaitAndDeliver(kHangGuard);
    }
    sender.join();
    EXPECT_EQ(order, (std::vector<std::uint32_t>{1, 2, 3}));
}

TEST(PendingSend, HandlerThatHasStartedIsAwaitedBeyondTheTimeout) {
    constexpr auto kTimeout = 1ms;
    auto send = std::make_shared<TPendingSend>(TMessage{});
    ASSERT_TRUE(send->TryStart());  // the owner has picked it up
    TSendResult result;
    std::thread sender([&] { result = send->Await(kTimeout); });
    std::this_thread::sleep_for(kTimeout * 20);  // only makes sure the time-out has passed
    send->Finish(9);
    sender.join();
    EXPECT_TRUE(result.Delivered());
    EXPECT_EQ(result.Value, 9);
}

TEST(PendingSend, SenderThatGaveUpWinsAgainstALatePickUp) {
    auto send = std::make_shared<TPendingSend>(TMessage{});
    EXPECT_EQ(send->Await(0ms).Outcome, TSendOutcome::TimedOut);
    EXPECT_FALSE(send->TryStart());
}

TEST(MessageQueue, DestroyingItReleasesWaitingSenders) {
    std::shared_ptr<TPendingSend> send;
    {
        TMessageQueue queue;
        send = queue.PushSend(TMessage{});
    }
    EXPECT_EQ(send->Await(kHangGuard).Outcome, TSendOutcome::TimedOut);
    EXPECT_FALSE(send->TryStart());
}

// The protocol's order (avail, data, then the line feed's avail) must survive the hand-over
// to the window's own thread, where the scan is relayed step by step. The second line
// arrives before the window has run a step: it is read only once the first line's line feed
// has been offered alone, and the dispatch thread's end waits for all of it.
TEST(NotificationOrder, ThroughTheQueueWithTheDispatchCycleOnAnotherThread) {
    TFakeDeviceDispatcher device;
    device.Open();
    device.SetAvailThreshold(1);
    TRecordingWindow window{device};
    device.AttachWindow(&window.Target);
    device.SetHandlerFlags(TVexaBaseDispatcher::kHandlersInstalled);
    const std::int32_t lf =
        device.NewDataTrigger(reinterpret_cast<const std::uint8_t*>("\n"), 1, false);

    std::promise<void> bothArrived;
    std::thread dispatch([&] {
        device.Line().Arrive("12\n");
        device.Cycle();
        device.Line().Arrive("345\n");
        device.Cycle();
        bothArrived.set_value();
        device.EndCycles();
        window.Target.Post(TMessage{kDone, 0, 0});
    });
    bothArrived.get_future().wait();
    while (window.Seen.empty() || window.Seen.back() != "other 1") {
        window.Target.WaitAndDeliver(kHangGuard);
    }
    dispatch.join();
    const std::string data = "data " + std::to_string(lf);
    EXPECT_EQ(window.Seen,
              (std::vector<std::string>{"avail 2 [12]", data, "avail 1 [\n]", "avail 3 [345]", data,
                                        "avail 1 [\n]", "other 1"}));
}

}  // namespace
}  // namespace norvane::serial::testing
