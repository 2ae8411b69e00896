#pragma once
// The one way the network code waits on a socket: until an event, a deadline, or the
// user's wish to stop (application_hooks.h: a signal through WaitInterruptFd, or the
// window's Cancel through the wait pump, where TPumpedWaits allows it), whichever comes
// first. A signal that interrupts poll() neither ends the wait early nor restarts it from
// the beginning: the time left is counted from the same deadline. Any thread.

#include <chrono>

namespace norvane::serial {

using TWaitClock = std::chrono::steady_clock;

// Waits for `events` on `fd`. 1 when they came (revents may also hold POLLHUP or POLLERR),
// 0 once the deadline has passed, -ECANCELED when the user asked to stop, -errno when
// poll() failed. A deadline already past is 0 even when the events are there: a server
// that keeps its socket busy cannot stretch a wait by a single call.
int WaitForEvents(int fd, short events, TWaitClock::time_point deadline);

}  // namespace norvane::serial
