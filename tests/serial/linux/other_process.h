#pragma once
// Another process for tests of who holds a device: a child that names itself, lets go of the
// descriptors it should not share with the test, opens a device the plain way (no flock, no
// TIOCEXCL, as a terminal emulator or a script does) and stays until the test ends it.

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace norvane::serial::testing {

class TOtherProcess {
  public:
    // path "" opens nothing. Between fork and pause the child makes only async-signal-safe
    // calls: the test process has threads.
    TOtherProcess(const char* name, const std::string& path, const std::vector<int>& closeFirst) {
        int ready[2];
        if (::pipe(ready) != 0) {
            throw std::runtime_error("no pipe");
        }
        Pid_ = ::fork();
        if (Pid_ == 0) {
            ::prctl(PR_SET_NAME, name);
            for (const int fd : closeFirst) {
                ::close(fd);
            }
            const bool opened = path.empty() || ::open(path.c_str(), O_RDWR | O_NOCTTY) >= 0;
            const char answer = opened ? '+' : '-';
            [[maybe_unused]] const ssize_t written = ::write(ready[1], &answer, 1);
            for (;;) {
                ::pause();
            }
        }
        ::close(ready[1]);
        char answer = 0;
        const bool up = Pid_ > 0 && ::read(ready[0], &answer, 1) == 1 && answer == '+';
        ::close(ready[0]);
        if (!up) {
            End();
            throw std::runtime_error("the other process could not open " + path);
        }
    }
    ~TOtherProcess() { End(); }
    TOtherProcess(const TOtherProcess&) = delete;
    TOtherProcess& operator=(const TOtherProcess&) = delete;

    pid_t Pid() const { return Pid_; }

    // Ends and reaps it; Pid() then names no process (until the system reuses it).
    void End() {
        if (Running_ && Pid_ > 0) {
            ::kill(Pid_, SIGKILL);
            ::waitpid(Pid_, nullptr, 0);
        }
        Running_ = false;
    }

  private:
    pid_t Pid_ = -1;
    bool Running_ = true;
};

// A lock file's content as serial programs write it: the pid in ten columns, a newline.
inline std::string LockFileText(pid_t pid) {
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
    return text;
}

}  // namespace norvane::serial::testing
