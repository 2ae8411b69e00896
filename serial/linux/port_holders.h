#pragma once
// Who else uses a local serial device, when they took no flock() and no TIOCEXCL and so our
// own open would succeed: a terminal emulator or a script that simply opened the tty, or a
// program that announced itself with a UUCP lock file (uucp_lock.h). Two readers of one
// tty each take part of the replies, so neither gets a whole one.
//
// A device counts as held when
// - another process has it open: one of its /proc/PID/fd links is a character device with
//   the device node's st_rdev. Our own process never counts (it has its own locks), and a
//   process whose fd folder we may not read (another user's, for a user other than root)
//   is passed over: an ordinary user can miss holders this way;
// - or a lock file in the lock folder names it with a live pid other than ours.
//
// The far end of a pseudo-terminal is not a competitor: the process that holds the pty's
// controller (/dev/ptmx, whose /proc/PID/fdinfo/FD names the pty in its "tty-index:" line)
// is the "instrument" itself, and it usually keeps the terminal side open too, so that its
// controller does not read EIO while no client is connected. Such a process does not count.
//
// Reads /proc and the lock folder; keeps nothing. Any thread.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "serial/linux/uucp_lock.h"

namespace norvane::serial {

struct TPortHolder {
    pid_t Pid = 0;
    std::string Name;  // /proc/PID/comm, control characters as '?'; "" when unreadable
};

// "in use by screen (pid 4242)", or "in use by pid 4242" without a name.
std::string InUseText(const TPortHolder& holder);

class TPortHolderFinder {
  public:
    // Other folders than the machine's are for tests.
    explicit TPortHolderFinder(std::filesystem::path procDir = "/proc",
                               std::filesystem::path lockDir = kSystemLockDir);

    // The first holder of devicePath found (an open descriptor before a lock file), or
    // nullopt when none is, or when devicePath is no terminal of a driver that
    // /proc/tty/drivers lists (its "system" entries, /dev/tty and the like, excepted).
    std::optional<TPortHolder> Find(const std::string& devicePath) const;

  private:
    bool IsSerialTerminal(dev_t device) const;
    std::optional<TPortHolder> FindOpener(dev_t device) const;
    std::optional<TPortHolder> FindLockOwner(const std::string& devicePath) const;
    // Whether process pid holds a descriptor of `device`, and is not its pty's far end.
    bool HoldsDevice(const std::filesystem::path& processDir, dev_t device) const;
    TPortHolder Describe(pid_t pid) const;

    std::filesystem::path ProcDir_;
    std::filesystem::path LockDir_;
};

}  // namespace norvane::serial
