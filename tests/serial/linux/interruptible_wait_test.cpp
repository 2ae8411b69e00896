// The one wait the network code has: what ends it, and what may not stretch it.

#include "serial/linux/interruptible_wait.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "serial/errors/application_hooks.h"

namespace norvane::serial {
namespace {

using namespace std::chrono_literals;

struct TPipe {
    int Ends[2] = {-1, -1};
    TPipe() { ::pipe2(Ends, O_CLOEXEC | O_NONBLOCK); }
    ~TPipe() {
        ::close(Ends[0]);
        ::close(Ends[1]);
    }
    void MakeReadable() const { EXPECT_EQ(::write(Ends[1], "x", 1), 1); }
};

TEST(InterruptibleWaitTest, ReadinessDeadlineAndTheUsersStopEachEndIt) {
    struct TCase {
        const char* What;
        bool Readable;
        bool Interrupted;
        bool DeadlinePast;
        int Result;
    };
    const TCase cases[] = {
        {"events there", true, false, false, 1},
        // A server that keeps its socket busy must not keep a wait going past its end.
        {"events there, deadline past", true, false, true, 0},
        {"nothing, deadline past", false, false, true, 0},
        {"the user asked to stop", false, true, false, -ECANCELED},
        {"the user asked to stop while events are there", true, true, false, -ECANCELED},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.What);
        TPipe socket, interrupt;
        if (test.Readable) {
            socket.MakeReadable();
        }
        if (test.Interrupted) {
            interrupt.MakeReadable();
        }
        SetWaitInterruptFd(interrupt.Ends[0]);
        // A deadline in the future that no case reaches: each ends for its own reason.
        const auto deadline = test.DeadlinePast ? TWaitClock::now() - 1ms : TWaitClock::now() + 60s;
        EXPECT_EQ(WaitForEvents(socket.Ends[0], POLLIN, deadline), test.Result);
        SetWaitInterruptFd(-1);
    }
}

}  // namespace
}  // namespace norvane::serial
