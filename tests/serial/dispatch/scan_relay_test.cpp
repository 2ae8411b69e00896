// The relay's promises to the dispatch thread: a step nobody picks up never runs later, a
// window that goes away unblocks it at once, and a step that hands the scan back wakes it.

#include "serial/dispatch/scan_relay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <vector>

#include "serial/dispatch/plain_message_target.h"

namespace norvane::serial::testing {
namespace {

using namespace std::chrono_literals;
using TTurn = TScanRelay::TTurn;
using TProgress = TScanRelay::TProgress;

constexpr auto kHangGuard = 10s;

// Starts the relay from another thread, as the dispatch thread does: from the window's own
// thread there is nothing to relay to.
std::shared_ptr<TScanRelay> StartElsewhere(IMessageTarget& window, TScanRelay::TStep step,
                                           std::function<void()> wake,
                                           std::chrono::milliseconds timeout) {
    return std::async(
               std::launch::async,
               [&] { return TScanRelay::Start(window, std::move(step), std::move(wake), timeout); })
        .get();
}

TPlainMessageTarget QuietWindow() {
    return TPlainMessageTarget([](const TMessage&) { return 0; });
}

TEST(ScanRelay, NothingIsRelayedFromTheWindowsOwnThread) {
    TPlainMessageTarget window = QuietWindow();
    EXPECT_EQ(TScanRelay::Start(
                  window, [](bool) { return TTurn::Again; }, nullptr, kHangGuard),
              nullptr);
    EXPECT_EQ(window.DeliverPending(), 0u);
}

TEST(ScanRelay, StepNotPickedUpInTimeIsWithdrawnAndNeverRuns) {
    TPlainMessageTarget window = QuietWindow();
    int steps = 0;
    const auto relay = StartElsewhere(
        window, [&](bool) { return ++steps, TTurn::Finished; }, nullptr, 0ms);
    ASSERT_NE(relay, nullptr);
    EXPECT_EQ(relay->NoteArrival(), TProgress::Missed);
    window.DeliverPending();
    EXPECT_EQ(steps, 0);
}

TEST(ScanRelay, WindowGoingAwayWithAStepQueuedEndsTheRelayAtOnce) {
    std::shared_ptr<TScanRelay> relay;
    {
        TPlainMessageTarget window = QuietWindow();
        relay = StartElsewhere(
            window, [](bool) { return TTurn::Finished; }, nullptr, kHangGuard);
        ASSERT_NE(relay, nullptr);
    }
    EXPECT_EQ(relay->NoteArrival(), TProgress::Missed);
    relay->Stop();  // must not wait for a step that can no longer run
}

// Each step runs at its own delivery, so the window's event loop turns in between; an arrival
// noted while steps go on is read by one more step once the scan has nothing left.
TEST(ScanRelay, StepsRunOnePerDeliveryAndAHandBackWakesTheDispatchThread) {
    TPlainMessageTarget window = QuietWindow();
    std::vector<bool> refills;
    const std::vector<TTurn> turns{TTurn::Again, TTurn::Finished, TTurn::HandBack};
    int wakes = 0;
    const auto relay = StartElsewhere(
        window,
        [&](bool refill) {
            refills.push_back(refill);
            return turns.at(refills.size() - 1);
        },
        [&] { ++wakes; }, kHangGuard);
    ASSERT_NE(relay, nullptr);
    EXPECT_EQ(window.DeliverPending(), 1u);
    EXPECT_EQ(relay->NoteArrival(), TProgress::Relaying);
    for (int delivery = 0; delivery < 2; ++delivery) {
        EXPECT_EQ(window.DeliverPending(), 1u);
    }
    EXPECT_EQ(refills, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(relay->NoteArrival(), TProgress::HandedBack);
}

}  // namespace
}  // namespace norvane::serial::testing
