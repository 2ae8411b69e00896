#include "session/termination_watch.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>

namespace norvane::session {
namespace {

using namespace std::chrono_literals;

// In a child process: a watch that counts deliveries, two SIGINTs in a row, the event loop
// run once. Exits 0 when both came through as requests and the watch, once gone, left every
// disposition as it found it.
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
        ::raise(SIGINT);
        QCoreApplication::processEvents();
    }
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        struct sigaction now {};
        ::sigaction(signal, nullptr, &now);
        if (now.sa_handler != SIG_DFL) {
            std::_Exit(20 + signal);
        }
    }
    std::_Exit(delivered == 2 ? 0 : 10 + delivered);
}

// timeout(1), supervisors and terminals signal the program and then its process group: the
// second SIGINT, milliseconds after the first, must not kill a transfer that is unwinding.
TEST(TerminationWatchTest, AnInterruptSoonAfterTheFirstIsTheSameRequest) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(InterruptTwice(1h), ::testing::ExitedWithCode(0), "");
}

TEST(TerminationWatchTest, AnInterruptAfterTheWindowEndsTheProgramAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(InterruptTwice(0ms), ::testing::KilledBySignal(SIGINT), "");
}

}  // namespace
}  // namespace norvane::session
