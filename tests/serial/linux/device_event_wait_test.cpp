// The dispatch thread's wait reports each arrival once: bytes left queued (a full ring) must
// not wake it again and again, and an arrival that comes together with a wake-up must not be
// lost, since it would not be reported a second time. The com thread's wait sees the
// hang-up alone.
#include "serial/linux/device_event_wait.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>

#include "driver_test_support.h"
#include "gtest/gtest.h"

namespace norvane::serial {
namespace {

using TEvent = TDeviceEventWait::TEvent;
constexpr std::chrono::milliseconds kNow{0};

struct TWatchedPty {
    TWatchedPty() {
        Fd = ::open(Pty.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios2 tio{};  // raw: every byte readable as it comes, no line editing or echo
        ::ioctl(Fd, TCGETS2, &tio);
        tio.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXON);
        tio.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        ::ioctl(Fd, TCSETS2, &tio);
        Wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    }
    ~TWatchedPty() {
        ::close(Fd);
        ::close(Wake);
    }
    // Waits (a hang guard, not a timing) until the tty has the bytes sent so far.
    bool Readable() const {
        pollfd in{Fd, POLLIN, 0};
        return ::poll(&in, 1, 5000) == 1;
    }
    void WakeUp() const {
        const std::uint64_t one = 1;
        ASSERT_EQ(::write(Wake, &one, sizeof one), 8);
    }

    testing::TPtyController Pty;
    int Fd = -1;
    int Wake = -1;
};

TEST(DeviceEventWaitTest, ReportsEachArrivalOnceAndLosesNoneToAWakeUp) {
    TWatchedPty line;
    TDeviceEventWait wait(line.Fd, line.Wake);
    EXPECT_EQ(wait.Next(kNow), TEvent::Idle);

    line.Pty.Send("ab");
    EXPECT_EQ(wait.Next(), TEvent::Arrival);
    EXPECT_EQ(wait.Next(kNow), TEvent::Idle) << "the unread bytes are not reported again";

    line.Pty.Send("c");
    EXPECT_EQ(wait.Next(), TEvent::Arrival) << "new bytes are, though the old are unread";

    char taken[8];
    ASSERT_EQ(::read(line.Fd, taken, sizeof taken), 3);
    line.Pty.Send("d");
    ASSERT_TRUE(line.Readable());  // "d" is there before the wake-up
    line.WakeUp();
    EXPECT_EQ(wait.Next(), TEvent::Woken);
    EXPECT_EQ(wait.Next(kNow), TEvent::Arrival) << "held over the wake-up";
    EXPECT_EQ(wait.Next(kNow), TEvent::Idle) << "the wake-up was consumed";

    line.Pty.Close();
    EXPECT_EQ(wait.Next(), TEvent::HangUp);
}

TEST(DeviceEventWaitTest, TheHangUpWatchSleepsThroughArrivals) {
    TWatchedPty line;
    TDeviceEventWait wait(line.Fd, line.Wake, TDeviceEventWait::TWatch::HangUp);
    line.Pty.Send("ab");
    ASSERT_TRUE(line.Readable());
    EXPECT_EQ(wait.Next(kNow), TEvent::Idle) << "arrivals are the dispatch thread's";
    line.WakeUp();
    EXPECT_EQ(wait.Next(), TEvent::Woken);
    line.Pty.Close();
    EXPECT_EQ(wait.Next(), TEvent::HangUp);
}

}  // namespace
}  // namespace norvane::serial
