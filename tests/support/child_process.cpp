#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
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

}  // namespace

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void CloseIfOpen(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

TPipe MakePipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw SystemError("pipe2");
    }
    return {fds[0], fds[1]};
}

// Starts the program with stdout (and stderr, if given) going to the pipes' write ends.
pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& args, int stdoutFd,
                   int stderrFd) {
    std::vector<std::string> argvStrings{program};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvStrings) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    // fork rather than posix_spawn: the child must die with the test, or a simulator left
    // behind by a crashed test would hold the test runner's output pipe open for good.
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        throw SystemError("cannot start " + argvStrings[0]);
    }
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(127);
        }
        dup2(stdoutFd, STDOUT_FILENO);
        if (stderrFd >= 0) {
            dup2(stderrFd, STDERR_FILENO);
        }
        execve(argv[0], argv.data(), environ);
        _exit(127);
    }
    return pid;
}

// Reads what is available from fd within the time left; false once fd reports end of file.
bool ReadSome(int fd, std::string& into, std::chrono::steady_clock::time_point deadline) {
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
TProgramExit Reap(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = TClock::now() + timeout;
    int status = 0;
    pid_t reaped = 0;
    rusage usage{};
    while ((reaped = wait4(pid, &status, WNOHANG, &usage)) == 0 && TClock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (reaped == 0) {
        kill(pid, SIGKILL);
        reaped = wait4(pid, &status, 0, &usage);
    }
    if (reaped != pid) {
        throw SystemError("wait4");
    }
    TProgramExit exit;
    exit.CpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    exit.PeakResidentKiB = usage.ru_maxrss;
    exit.VoluntarySwitches = usage.ru_nvcsw;
    if (WIFEXITED(status)) {
        exit.ExitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        exit.Signal = WTERMSIG(status);
    }
    return exit;
}

TChildProcess::TChildProcess(const std::string& program, const std::vector<std::string>& args) {
    TPipe out = MakePipe();
    TPipe err = MakePipe();
    Pid_ = SpawnProgram(program, args, out.Write, err.Write);
    OutFd_ = std::exchange(out.Read, -1);
    ErrFd_ = std::exchange(err.Read, -1);
}

TChildProcess::~TChildProcess() {
    if (!Reaped_) {
        kill(Pid_, SIGKILL);
        try {
            Reap(Pid_, std::chrono::milliseconds(0));
        } catch (...) {
            // Nothing more can be done for a child we cannot reap.
        }
    }
    CloseIfOpen(OutFd_);
    CloseIfOpen(ErrFd_);
}

void TChildProcess::Signal(int signal) {
    if (!Reaped_) {
        kill(Pid_, signal);
    }
}

void TChildProcess::CloseOutput() {
    CloseIfOpen(OutFd_);
}

TProgramExit TChildProcess::Wait(std::chrono::milliseconds timeout) {
    const auto deadline = TClock::now() + timeout;
    std::string output, errors;
    bool outOpen = OutFd_ >= 0;
    bool errOpen = true;
    while ((outOpen || errOpen) && TClock::now() < deadline) {
        // The wait for more output happens on stdout's read, or on stderr's once stdout is shut.
        const auto errWait = outOpen ? std::chrono::milliseconds(0) : kPollSlice;
        errOpen = errOpen && ReadSome(ErrFd_, errors, TClock::now() + errWait);
        outOpen = outOpen && ReadSome(OutFd_, output, TClock::now() + kPollSlice);
    }
    Reaped_ = true;
    TProgramExit exit = Reap(Pid_, outOpen || errOpen ? std::chrono::milliseconds(0) : timeout);
    if (outOpen || errOpen) {
        throw std::runtime_error("the program did not end within the time-out");
    }
    exit.OutputText = std::move(output);
    exit.ErrorText = std::move(errors);
    return exit;
}

TProgramExit RunProgramToExit(const std::string& program, const std::vector<std::string>& args,
                              std::chrono::milliseconds timeout) {
    return TChildProcess(program, args).Wait(timeout);
}

}  // namespace norvane::test
