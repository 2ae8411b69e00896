#include "session/termination_watch.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>

namespace norvane::session {
namespace {

using namespace std::chrono_literals;

// In a child process: a watch that counts deliveries, one SIGINT while it lives and the
// same signal again once it is gone, as a process group's copy can come after the transfer
// unwound. Exits 0 when the first came through as a request and the repeat was survived.
[[noreturn]] void InterruptTwice(std::chrono::milliseconds insistAfter) {
    int argc = 1;
    char name[] = "termination_watch_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    int delivered = 0;
    {
        TTerminationWatch watch([&delivered](int signal) { delivered += signal == SIGINT; },
                                insistAfter);
        ::raise(SIGINT);
        QCoreApplication::processEvents();
    }
    ::raise(SIGINT);
    std::_Exit(delivered == 1 ? 0 : 10 + delivered);
}

// timeout(1), supervisors and terminals signal the program and then its process group: the
// second SIGINT, milliseconds after the first, must not kill a transfer that is unwinding,
// nor the program writing its outcome after the transfer's watch has gone.
TEST(TerminationWatchTest, AnInterruptSoonAfterTheFirstIsTheSameRequest) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(InterruptTwice(1h), ::testing::ExitedWithCode(0), "");
}

TEST(TerminationWatchTest, AnInterruptAfterTheWindowEndsTheProgramAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(InterruptTwice(0ms), ::testing::KilledBySignal(SIGINT), "");
}

TEST(TerminationWatchTest, AWatchNoSignalReachedLeavesTheDispositionsAsItFoundThem) {
    int argc = 1;
    char name[] = "termination_watch_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
    struct sigaction before[3]{};
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], nullptr, &before[i]);
    }
    {
        TTerminationWatch watch([](int) {});
    }
    for (int i = 0; i < 3; ++i) {
        struct sigaction after {};
        ::sigaction(kSignals[i], nullptr, &after);
        EXPECT_EQ(after.sa_handler, before[i].sa_handler) << "signal " << kSignals[i];
    }
}

}  // namespace
}  // namespace norvane::session
