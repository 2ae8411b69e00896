#pragma once
// Running the project's programs as child processes in tests: their output captured, their
// end waited for with a time-out that only guards against a hang.

#include <sys/types.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace norvane::test {

// How a finished program ended.
struct TProgramExit {
    int ExitCode = -1;         // -1 when it died of a signal
    int Signal = 0;            // the signal that killed it, else 0
    std::string OutputText;    // what it wrote to stdout
    std::string ErrorText;     // what it wrote to stderr
    double CpuSeconds = 0;     // user and system time it used
    long PeakResidentKiB = 0;  // its largest resident set
    // How often its threads gave up the processor to wait, all threads summed (each thread's
    // voluntary_ctxt_switches in /proc/PID/task/*/status, as the kernel adds them up for wait4).
    long VoluntarySwitches = 0;
};

// A running program with stdout and stderr going to pipes. The destructor kills and reaps a
// program still running.
class TChildProcess {
  public:
    TChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    pid_t Pid() const { return Pid_; }
    void Signal(int signal);
    // Stops reading the program's standard output: its next write there fails (EPIPE) or,
    // where SIGPIPE is not ignored, kills it.
    void CloseOutput();
    // Collects the output until the program closes it, then reaps it. Throws (after killing
    // it) when that takes longer than timeout. Call once.
    TProgramExit Wait(std::chrono::milliseconds timeout = std::chrono::seconds(60));

  private:
    pid_t Pid_ = -1;
    int OutFd_ = -1;
    int ErrFd_ = -1;
    bool Reaped_ = false;
};

TProgramExit RunProgramToExit(const std::string& program, const std::vector<std::string>& args,
                              std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Lower-level pieces, for helpers that read a child's output as it comes.
std::runtime_error SystemError(const std::string& what);
void CloseIfOpen(int& fd);
struct TPipe {
    int Read = -1;
    int Write = -1;
    ~TPipe() {
        CloseIfOpen(Read);
        CloseIfOpen(Write);
    }
};
TPipe MakePipe();
pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& args, int stdoutFd,
                   int stderrFd);
// Reads what is available from fd before the deadline; false once fd reports end of file.
bool ReadSome(int fd, std::string& into, std::chrono::steady_clock::time_point deadline);
// Reaps pid, waiting up to timeout; kills it with SIGKILL if it outstays that.
TProgramExit Reap(pid_t pid, std::chrono::milliseconds timeout);

}  // namespace norvane::test
