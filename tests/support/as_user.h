#pragma once
// Running a piece of a test as another user, for what only an ordinary user meets (the test
// suites run as root in CI): the piece runs in a forked child whose user and group ids are
// all set to the given ones, and its result comes back as text.

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace norvane::test {

struct TUserIds {
    uid_t Uid;
    gid_t Gid;
};

// The unprivileged account every Debian machine has.
inline TUserIds Nobody() {
    const passwd* entry = ::getpwnam("nobody");
    return entry != nullptr ? TUserIds{entry->pw_uid, entry->pw_gid} : TUserIds{65534, 65534};
}

// Runs action as user (the caller must be root, and single-threaded while it forks) and
// returns what it returned, or "exception: " + what() of what it threw. Throws when the
// child cannot be started or did not report.
inline std::string RunAsUser(TUserIds user, const std::function<std::string()>& action) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        std::string result;
        if (::setgroups(0, nullptr) != 0 || ::setresgid(user.Gid, user.Gid, user.Gid) != 0 ||
            ::setresuid(user.Uid, user.Uid, user.Uid) != 0) {
            result = "cannot change user";
        } else {
            try {
                result = action();
            } catch (const std::exception& failure) {
                result = std::string("exception: ") + failure.what();
            }
        }
        const bool sent = ::write(pipeEnds[1], result.data(), result.size()) ==
                          static_cast<ssize_t>(result.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    if (child < 0) {
        ::close(pipeEnds[0]);
        throw std::runtime_error("fork failed");
    }
    std::string result;
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        result.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("the child running as another user did not report");
    }
    return result;
}

}  // namespace norvane::test
