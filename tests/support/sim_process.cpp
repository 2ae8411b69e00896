#include "tests/support/sim_process.h"

#include <signal.h>

#include <stdexcept>
#include <utility>

#include "tests/support/child_process.h"

namespace norvane::test {

namespace {

using TClock = std::chrono::steady_clock;

}  // namespace

const std::string& InstrumentExecutablePath() {
    static const std::string path = NORVANE_INSTRUMENT_EXECUTABLE;
    return path;
}

TSimExit RunSimulatorToExit(const std::vector<std::string>& args,
                            std::chrono::milliseconds timeout) {
    return RunProgramToExit(InstrumentExecutablePath(), args, timeout);
}

TSimProcess::TSimProcess(const std::vector<std::string>& args, std::chrono::milliseconds timeout) {
    TPipe out = MakePipe();
    Pid_ = SpawnProgram(InstrumentExecutablePath(), args, out.Write, -1);
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
