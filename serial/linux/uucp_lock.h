#pragma once
// UUCP lock files: the convention by which serial programs that take no flock() and no
// TIOCEXCL (terminal emulators, dial-out tools) keep out of each other's way. A program
// that uses /dev/ttyUSB0 creates /var/lock/LCK..ttyUSB0 holding its pid; the others see the
// file, check that the pid still lives, and leave the device alone.
//
// The pid is written as ten characters, right-aligned, and a newline, the text most
// programs write; older ones wrote it as a binary 4-byte int, which ReadUucpLockPid also
// understands. Plain POSIX, no state beyond a TUucpLock's own; any thread, one thread per
// TUucpLock at a time.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace norvane::serial {

// The lock folder other serial programs look in.
inline const std::filesystem::path kSystemLockDir = "/var/lock";

// lockDir/LCK..NAME, NAME the base name of the node devicePath leads to (links followed:
// every name of one device shares its lock).
std::filesystem::path UucpLockPath(const std::filesystem::path& lockDir,
                                   const std::string& devicePath);

// The pid a lock file names, or nullopt when it cannot be read or names none (0 or less).
std::optional<pid_t> ReadUucpLockPid(const std::filesystem::path& lockFile);

// The running process other than ours that a lock file names, or nullopt: a lock that cannot
// be read, names a dead process or names ours holds nothing against us. A process we may not
// signal (EPERM) runs as well.
std::optional<pid_t> ForeignLockOwner(const std::filesystem::path& lockFile);

// This program's lock of one device, released when it goes.
class TUucpLock {
  public:
    TUucpLock() = default;
    ~TUucpLock() { Release(); }
    TUucpLock(const TUucpLock&) = delete;
    TUucpLock& operator=(const TUucpLock&) = delete;

    // Creates the lock file for devicePath in lockDir, replacing one whose pid is dead or
    // our own. False when a live process holds the lock, or when the folder does not let
    // us write (an ordinary user without a lock group): the caller goes on without a lock
    // then, since the lock only informs other programs. Never follows a link in the folder.
    bool Acquire(const std::filesystem::path& lockDir, const std::string& devicePath);
    // Removes the file Acquire created, if it is still ours. Safe to call twice.
    void Release();

    bool Held() const { return !Path_.empty(); }
    const std::filesystem::path& Path() const { return Path_; }

  private:
    std::filesystem::path Path_;
};

}  // namespace norvane::serial
