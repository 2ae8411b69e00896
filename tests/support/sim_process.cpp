#include "tests/support/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace norvane::test {

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kPollSlice{20};

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void CloseIfOpen(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// Both ends are closed on scope exit unless taken over.
struct TPipe {
    int Read = -1;
    int Write = -1;
    ~TPipe() {
        CloseIfOpen(Read);
        CloseIfOpen(Write);
    }
};

TPipe MakePipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw SystemError("pipe2");
    }
    return {fds[0], fds[1]};
}

// Starts the executable with stdout (and stderr, if given) going to the pipes' write ends.
pid_t Spawn(const std::vector<std::string>& args, int stdoutFd, int stderrFd) {
    std::vector<std::string> argvStrings{InstrumentExecutablePath()};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvStrings) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    if (stderrFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stderrFd, STDERR_FILENO);
    }
    pid_t pid = -1;
    const int failure = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failure != 0) {
        errno = failure;
        throw SystemError("cannot start " + argvStrings[0]);
    }
    return pid;
}

// Reads what is available from fd within the time left; false once fd reports end of file.
bool ReadSome(int fd, std::string& into, TClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
    pollfd pfd{fd, POLLIN, 0};
    if (poll(&pfd, 1, static_cast<int>(std::max<long long>(left.count(), 0))) <= 0) {
        return true;
    }
    char buffer[512];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) {
        return n < 0 && errno == EINTR;
    }
    into.append(buffer, static_cast<std::size_t>(n));
    return true;
}

// Reaps pid, waiting up to the time-out; kills it with SIGKILL if it outstays that.
TSimExit Reap(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = TClock::now() + timeout;
    int status = 0;
    pid_t reaped = 0;
    while ((reaped = waitpid(pid, &status, WNOHANG)) == 0 && TClock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (reaped == 0) {
        kill(pid, SIGKILL);
        reaped = waitpid(pid, &status, 0);
    }
    if (reaped != pid) {
        throw SystemError("waitpid");
    }
    TSimExit exit;
    if (WIFEXITED(status)) {
        exit.ExitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        exit.Signal = WTERMSIG(status);
    }
    return exit;
}

}  // namespace

const std::string& InstrumentExecutablePath() {
    static const std::string path = NORVANE_INSTRUMENT_EXECUTABLE;
    return path;
}

TSimExit RunSimulatorToExit(const std::vector<std::string>& args,
                            std::chrono::milliseconds timeout) {
    TPipe out = MakePipe();
    TPipe err = MakePipe();
    const pid_t pid = Spawn(args, out.Write, err.Write);
    CloseIfOpen(out.Write);
    CloseIfOpen(err.Write);
    const auto deadline = TClock::now() + timeout;
    TSimExit exit;
    bool outOpen = true;
    bool errOpen = true;
    while ((outOpen || errOpen) && TClock::now() < deadline) {
        errOpen = errOpen && ReadSome(err.Read, exit.ErrorText, TClock::now());
        outOpen = outOpen && ReadSome(out.Read, exit.OutputText, TClock::now() + kPollSlice);
    }
    CloseIfOpen(out.Read);
    CloseIfOpen(err.Read);
    const TSimExit ended = Reap(pid, outOpen || errOpen ? std::chrono::milliseconds(0) : timeout);
    if (outOpen || errOpen) {
        throw std::runtime_error("the simulator did not end within the time-out");
    }
    exit.ExitCode = ended.ExitCode;
    exit.Signal = ended.Signal;
    return exit;
}

TSimProcess::TSimProcess(const std::vector<std::string>& args, std::chrono::milliseconds timeout) {
    TPipe out = MakePipe();
    Pid_ = Spawn(args, out.Write, -1);
    CloseIfOpen(out.Write);
    StdoutFd_ = std::exchange(out.Read, -1);
    const auto deadline = TClock::now() + timeout;
    std::string announced;
    bool open = true;
    while (open && announced.find('\n') == std::string::npos && TClock::now() < deadline) {
        open = ReadSome(StdoutFd_, announced, deadline);
    }
    const auto newline = announced.find('\n');
    if (newline == std::string::npos) {
        const TSimExit exit = Stop();
        throw std::runtime_error("the simulator announced no line (exit code " +
                                 std::to_string(exit.ExitCode) + ", signal " +
                                 std::to_string(exit.Signal) + ")");
    }
    LinePath_ = announced.substr(0, newline);
}

TSimProcess::~TSimProcess() {
    try {
        Stop();
    } catch (...) {
        // A destructor must not throw; the child is gone or beyond our reach either way.
    }
}

TSimExit TSimProcess::Stop(std::chrono::milliseconds timeout) {
    if (!Reaped_) {
        kill(Pid_, SIGTERM);
        Reaped_ = true;
        Exit_ = Reap(Pid_, timeout);
        CloseIfOpen(StdoutFd_);
    }
    return Exit_;
}

}  // namespace norvane::test
