// The message target on a Qt event loop: ordering through the loop with the dispatch cycle
// on another thread, withdrawal of a send nobody picked up, and a quit met while pumping.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <memory>
#include <thread>

#include "fake_device_dispatcher.h"
#include "serial/dispatch/notification_messages.h"
#include "serial/qt/qt_message_target.h"

namespace norvane::serial::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kHangGuard = 60s;
constexpr std::uint32_t kDone = 1;

class QtMessageTarget : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "qt_message_target_test";
        static char* argv[] = {name, nullptr};
        Application = std::make_unique<QCoreApplication>(argc, argv);
    }
    static void TearDownTestSuite() { Application.reset(); }

    // Runs loop until quit, or until the hang guard ends it.
    static void Run(QEventLoop& loop) {
        QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(kHangGuard), &loop,
                           &QEventLoop::quit);
        loop.exec();
    }

    static inline std::unique_ptr<QCoreApplication> Application;
};

TEST_F(QtMessageTarget, NotificationsKeepTheirOrderThroughTheEventLoop) {
    TFakeDeviceDispatcher device;
    device.Open();
    device.SetAvailThreshold(1);
    QEventLoop loop;
    std::vector<std::string> seen;
    TQtMessageTarget window([&](const TMessage& m) {
        if (m.Id == MsgTriggerAvail) {
            std::string taken;
            for (std::uint32_t i = 0; i < m.First; ++i) {
                taken += static_cast<char>(device.TakeChar());
            }
            seen.push_back("avail [" + taken + "]");
        } else if (m.Id == MsgTriggerData) {
            seen.push_back("data " + std::to_string(m.First));
        } else if (m.Id == kDone) {
            loop.quit();
        }
        return 0;
    });
    device.AttachWindow(&window);
    device.SetHandlerFlags(TVexaBaseDispatcher::kHandlersInstalled);
    const std::int32_t lf =
        device.NewDataTrigger(reinterpret_cast<const std::uint8_t*>("\n"), 1, false);

    std::thread dispatch([&] {
        device.Line().Arrive("12\n");
        device.Cycle();
        device.EndCycles();
        window.Post(TMessage{kDone, 0, 0});
    });
    Run(loop);
    dispatch.join();
    EXPECT_EQ(seen,
              (std::vector<std::string>{"avail [12]", "data " + std::to_string(lf), "avail [\n]"}));
}

TEST_F(QtMessageTarget, SendNobodyPickedUpIsWithdrawn) {
    int calls = 0;
    TQtMessageTarget target([&](const TMessage&) { return ++calls; });
    TSendResult result{TSendOutcome::Delivered, 0};
    std::thread sender([&] { result = target.Send(TMessage{7, 0, 0}, 1ms); });
    sender.join();  // the owner pumps nothing until the send has given up
    EXPECT_EQ(result.Outcome, TSendOutcome::TimedOut);
    EXPECT_EQ(target.DeliverPending(), 0u);
    EXPECT_EQ(calls, 0);
}

TEST_F(QtMessageTarget, SendFromAnotherThreadWaitsForTheHandler) {
    QEventLoop loop;
    TQtMessageTarget target([&](const TMessage& m) {
        if (m.Id == kDone) {
            loop.quit();
        }
        return static_cast<std::int32_t>(m.First + 1);
    });
    TSendResult result;
    std::thread sender([&] {
        result = target.Send(TMessage{2, 41, 0}, kHangGuard);
        target.Post(TMessage{kDone, 0, 0});
    });
    Run(loop);
    sender.join();
    EXPECT_TRUE(result.Delivered());
    EXPECT_EQ(result.Value, 42);
    EXPECT_EQ(target.Send(TMessage{3, 1, 0}, 0ms).Value, 2);  // on the owner: at once
}

// Sees the application's quit request without stopping it.
class TQuitSpy final : public QObject {
  public:
    bool PumpReturned = false;
    bool QuitAfterPump = false;
    int Quits = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
            ++Quits;
            QuitAfterPump = PumpReturned;
        }
        return false;
    }
};

TEST_F(QtMessageTarget, QuitTakenWhilePumpingEndsTheMainLoopAfterThePump) {
    TQtMessageTarget target([](const TMessage&) {
        QCoreApplication::quit();
        return 0;
    });
    TQuitSpy spy;
    Application->installEventFilter(&spy);
    std::size_t delivered = 0;
    QTimer::singleShot(0, [&] {
        target.Post(TMessage{});
        delivered = target.DeliverPending();
        spy.PumpReturned = true;
    });
    QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(kHangGuard),
                       [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    Application->removeEventFilter(&spy);
    EXPECT_EQ(delivered, 1u);
    EXPECT_EQ(spy.Quits, 1);
    EXPECT_TRUE(spy.QuitAfterPump);
}

}  // namespace
}  // namespace norvane::serial::testing
