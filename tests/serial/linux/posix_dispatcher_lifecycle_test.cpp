// The serial driver's threads: a device that goes away, closing from inside a notification,
// stopping while a notification waits for delivery, and a thread ended by an exception.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "serial/errors/error_codes.h"
#include "serial/linux/posix_dispatcher.h"
#include "tests/serial/exploding_read_dispatcher.h"
#include "tests/serial/linux/driver_test_support.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::serial {
namespace {

using testing::CloseAndSettle;
using testing::OpenPlain;
using testing::TPtyController;
using testing::TReceiver;

bool Queue(TVexaBaseDispatcher& dispatcher, const std::string& bytes) {
    return dispatcher.QueueOutput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                  static_cast<std::uint32_t>(bytes.size())) == 0;
}

// Whether this process still has `path` open, also after the node went (a pty's does when
// its far end closes).
bool ProcessHolds(const std::string& path) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        const std::string target = std::filesystem::read_symlink(entry.path(), ignored);
        if (target == path || target == path + " (deleted)") {
            return true;
        }
    }
    return false;
}

// A round trip through a fresh dispatcher: the port works.
void ExpectRoundTrip(const std::string& path, TPtyController* far) {
    TVexaPosixDispatcher dispatcher(nullptr);
    TReceiver receiver(dispatcher);
    ASSERT_EQ(OpenPlain(dispatcher, path), 0);
    receiver.Attach();
    ASSERT_TRUE(Queue(dispatcher, "\r\n"));
    if (far != nullptr) {
        EXPECT_EQ(far->Receive(2), "\r\n");
        far->Send("*\r\n");
    }
    EXPECT_TRUE(receiver.WaitForMessage(MsgTriggerData));
    EXPECT_TRUE(CloseAndSettle(dispatcher, receiver));
}

TEST(PosixDispatcherLossTest, ClosedFarEndEndsTheThreadsClosesTheDeviceAndTellsTheOwner) {
    std::optional<TPtyController> pty;
    pty.emplace();
    const std::string path = pty->Path();
    TVexaPosixDispatcher dispatcher(nullptr);
    TReceiver receiver(dispatcher);
    ASSERT_EQ(OpenPlain(dispatcher, path), 0);
    receiver.Attach();
    pty->Send("partial line");
    ASSERT_TRUE(receiver.WaitForReceived(12));

    pty->Close();  // the adapter is unplugged
    ASSERT_TRUE(receiver.WaitForMessage(MsgDeviceLost));
    EXPECT_TRUE(dispatcher.DeviceLost());
    EXPECT_LT(dispatcher.LossCause(), 0);
    const TMessage lost = *std::find_if(receiver.Messages.begin(), receiver.Messages.end(),
                                        [](const TMessage& m) { return m.Id == MsgDeviceLost; });
    EXPECT_EQ(static_cast<std::int32_t>(lost.First), dispatcher.LossCause());
    EXPECT_EQ(RegistryIndexOf(lost.Second), dispatcher.RegistryIndex());
    ASSERT_TRUE(receiver.WaitUntil([&] { return !dispatcher.ThreadsStarted(); }))
        << "no thread is left waiting or spinning";
    EXPECT_EQ(dispatcher.ActiveThreadCount(), 0);
    EXPECT_FALSE(ProcessHolds(path)) << "the device node was let go at once";

    EXPECT_TRUE(Queue(dispatcher, "?B1/1\r\n")) << "output to a lost device is dropped";
    EXPECT_EQ(dispatcher.OutputPending(), 0u);
    EXPECT_EQ(dispatcher.CloseComPort(), 0);

    TPtyController replugged;
    ExpectRoundTrip(replugged.Path(), &replugged);
}

TEST(PosixDispatcherLossTest, SimulatorKilledMidStreamLetsThePortOpenAgain) {
    std::optional<test::TSimProcess> sim;
    sim.emplace(std::vector<std::string>{"--think-ms", "20"});
    {
        TVexaPosixDispatcher dispatcher(nullptr);
        TReceiver receiver(dispatcher);
        ASSERT_EQ(OpenPlain(dispatcher, sim->LinePath()), 0);
        receiver.Attach();
        for (int cell = 1; cell <= 20; ++cell) {
            ASSERT_TRUE(Queue(dispatcher, "?B1/" + std::to_string(cell) + "\r\n"));
        }
        ASSERT_TRUE(receiver.WaitForMessage(MsgTriggerData));
        ::kill(sim->Pid(), SIGKILL);
        ASSERT_TRUE(receiver.WaitForMessage(MsgDeviceLost));
        ASSERT_TRUE(receiver.WaitUntil([&] { return !dispatcher.ThreadsStarted(); }));
        EXPECT_LT(receiver.Count(MsgTriggerData), 20) << "the loss came mid-stream";
        sim->Stop();
        // The owner reacts to the loss by closing; the destructor does the same.
    }
    sim.emplace(std::vector<std::string>{});
    ExpectRoundTrip(sim->LinePath(), nullptr);
}

TEST(PosixDispatcherLossTest, ClosingFromInsideANotificationCompletesWhenItReturns) {
    TPtyController pty;
    auto dispatcher = std::make_unique<TVexaPosixDispatcher>(nullptr);
    TReceiver receiver(*dispatcher);
    ASSERT_EQ(OpenPlain(*dispatcher, pty.Path()), 0);
    receiver.Attach();
    std::int32_t closeResult = -1;
    bool pendingInside = false;
    std::int32_t peekAfterClose = -1;
    receiver.OnMessage = [&](const TMessage& message) {
        if (message.Id != MsgTriggerAvail || pendingInside) {
            return;
        }
        closeResult = dispatcher->CloseComPort();
        pendingInside = dispatcher->ClosePending();
        peekAfterClose = dispatcher->PeekAt(1);  // the ring is still there
    };
    pty.Send("xyz");
    ASSERT_TRUE(receiver.WaitUntil([&] { return pendingInside; }));
    EXPECT_EQ(closeResult, 0);
    EXPECT_EQ(peekAfterClose, -ecBufferIsEmpty) << "all three were taken, none freed under us";
    EXPECT_EQ(receiver.Received, "xyz");
    ASSERT_TRUE(receiver.WaitUntil([&] { return !dispatcher->ThreadsStarted(); }))
        << "the dispatch thread finished the close";
    EXPECT_EQ(dispatcher->UnreadCount(), 0u);
    receiver.Detach();
    dispatcher.reset();

    ExpectRoundTrip(pty.Path(), &pty);
}

// A message target that tells the test when a send from the dispatch thread waits for it,
// and can hold that send (with no time-out) until the test lets it go.
class TLatchedTarget final : public IMessageTarget {
  public:
    explicit TLatchedTarget(TMessageHandler handler) : Inner_(std::move(handler)) {}

    TSendResult Send(const TMessage& message, std::chrono::milliseconds timeout) override {
        {
            std::unique_lock lock(Mutex_);
            Sending_ = true;
            Changed_.notify_all();
            Changed_.wait(lock, [&] { return !Held_; });
        }
        return Inner_.Send(message, timeout);
    }
    void Post(const TMessage& message) override { Inner_.Post(message); }
    std::size_t DeliverPending() override { return Inner_.DeliverPending(); }

    bool WaitForSend() {
        std::unique_lock lock(Mutex_);
        return Changed_.wait_for(lock, testing::kHangGuard, [&] { return Sending_; });
    }
    void Hold(bool held) {
        {
            std::lock_guard lock(Mutex_);
            Held_ = held;
        }
        Changed_.notify_all();
    }

  private:
    TPlainMessageTarget Inner_;
    std::mutex Mutex_;
    std::condition_variable Changed_;
    bool Sending_ = false;
    bool Held_ = false;
};

// The dispatch thread waits on the device itself, but an unplug must not wait for it: while
// it is stuck in a send, the node is let go at once, free for the adapter to come back.
TEST(PosixDispatcherLossTest, AnUnplugDuringANotificationLetsTheNodeGoAtOnce) {
    std::optional<TPtyController> pty;
    pty.emplace();
    const std::string path = pty->Path();
    TVexaPosixDispatcher dispatcher(nullptr);
    TLatchedTarget target([](const TMessage&) { return 0; });
    target.Hold(true);
    ASSERT_EQ(OpenPlain(dispatcher, path), 0);
    dispatcher.AttachWindow(&target);
    dispatcher.SetHandlerFlags(TVexaBaseDispatcher::kHandlersInstalled);
    dispatcher.SetAvailThreshold(1);
    pty->Send("a");
    ASSERT_TRUE(target.WaitForSend());

    pty->Close();
    const auto guard = std::chrono::steady_clock::now() + testing::kHangGuard;
    while (ProcessHolds(path) && std::chrono::steady_clock::now() < guard) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(ProcessHolds(path)) << "the send still waits, the node must not";
    EXPECT_TRUE(dispatcher.DeviceLost());
    EXPECT_TRUE(dispatcher.InNotification());

    target.Hold(false);
    dispatcher.StopThreads();  // delivers the send it lets go
    EXPECT_FALSE(dispatcher.ThreadsStarted());
    dispatcher.CloseComPort();
    dispatcher.DetachWindow(&target);
}

TEST(PosixDispatcherLossTest, StoppingDeliversTheNotificationTheDispatchThreadIsSending) {
    TPtyController pty;
    TVexaPosixDispatcher dispatcher(nullptr);
    bool deliveredDuringStop = false;
    bool stopping = false;
    TLatchedTarget target([&](const TMessage&) {
        deliveredDuringStop = stopping;
        return 0;
    });
    ASSERT_EQ(OpenPlain(dispatcher, pty.Path()), 0);
    dispatcher.AttachWindow(&target);
    dispatcher.SetHandlerFlags(TVexaBaseDispatcher::kHandlersInstalled);
    dispatcher.SetAvailThreshold(1);
    pty.Send("a");
    ASSERT_TRUE(target.WaitForSend());

    stopping = true;
    dispatcher.StopThreads();  // without delivering, this would wait out the send's time-out
    EXPECT_TRUE(deliveredDuringStop);
    EXPECT_FALSE(dispatcher.ThreadsStarted());
    dispatcher.CloseComPort();
    dispatcher.DetachWindow(&target);
}

TEST(PosixDispatcherLossTest, AThreadEndedByAnExceptionLosesThePortAndTellsTheOwner) {
    TPtyController pty;
    TExplodingReadDispatcher dispatcher(nullptr);
    TReceiver receiver(dispatcher);
    ASSERT_EQ(OpenPlain(dispatcher, pty.Path()), 0);
    receiver.Attach();
    pty.Send("boom");
    ASSERT_TRUE(receiver.WaitForMessage(MsgDeviceLost));
    EXPECT_EQ(dispatcher.LossCause(), -ecInternal);
    EXPECT_EQ(dispatcher.TakeWorkerFailure(),
              "The serial port's dispatch thread failed: read exploded");
    EXPECT_EQ(dispatcher.TakeWorkerFailure(), std::nullopt) << "taken once";
    // The other two end as well: a port without its dispatch thread only times out.
    ASSERT_TRUE(receiver.WaitUntil([&] { return dispatcher.ActiveThreadCount() == 0; }));
    EXPECT_FALSE(dispatcher.ThreadsStarted());
    EXPECT_FALSE(ProcessHolds(pty.Path())) << "the device node was let go";
    EXPECT_EQ(dispatcher.CloseComPort(), 0);
    receiver.Detach();
}

// The nice value of each of this process's threads, by thread name.
std::map<std::string, int> NiceByThreadName() {
    std::map<std::string, int> nice;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream commFile(task.path() / "comm");
        std::string name;
        std::getline(commFile, name);
        const std::string stat = test::ReadFile(task.path() / "stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        for (int i = 3; i <= 19 && fields >> field; ++i) {
        }
        nice[name] = std::stoi(field);  // field 19 of stat
    }
    return nice;
}

TEST(PosixDispatcherThreadTest, PrioritiesFollowTheBaseAndTheRs485Mode) {
    if (!test::RunningAsRoot()) {
        GTEST_SKIP() << "raising a thread's priority needs the privilege";
    }
    TPtyController pty;
    TVexaPosixDispatcher dispatcher(nullptr);
    ASSERT_EQ(OpenPlain(dispatcher, pty.Path()), 0);
    const int start = NiceByThreadName().at("serial-com");
    EXPECT_EQ(NiceByThreadName().at("serial-output"), start) << "normal to begin with";

    dispatcher.SetThreadPriority(2);  // highest for all three
    auto nice = NiceByThreadName();
    EXPECT_EQ(nice.at("serial-com"), start - 10);
    EXPECT_EQ(nice.at("serial-dispatch"), start - 10);
    EXPECT_EQ(nice.at("serial-output"), start - 10);

    EXPECT_EQ(dispatcher.SetRs485Mode(true), 0) << "a terminal without RS-485 is no error";
    // The output thread is one step above the others now: time critical.
    nice = NiceByThreadName();
    EXPECT_EQ(nice.at("serial-output"), std::max(start - 20, -20));
    EXPECT_EQ(nice.at("serial-com"), start - 10);

    dispatcher.SetThreadPriority(0);
    dispatcher.SetRs485Mode(false);
    EXPECT_EQ(NiceByThreadName().at("serial-output"), start);
    dispatcher.CloseComPort();
}

}  // namespace
}  // namespace norvane::serial
