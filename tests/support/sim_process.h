#pragma once
// Runs the instrument simulator as a child process for tests that talk to it over its
// pseudo-terminal, the way the program will.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace norvane::test {

// The built norvane-instrument executable.
const std::string& InstrumentExecutablePath();

// How a finished simulator ended.
using TSimExit = TProgramExit;

// Runs the simulator to its end with the given arguments, e.g. a bad command line.
// Throws if it does not end within the time-out (it is killed then).
TSimExit RunSimulatorToExit(const std::vector<std::string>& args,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10));

class TSimProcess {
  public:
    // Starts the simulator and waits (up to the time-out, a hang guard) for the line path
    // it prints. Throws with the cause if it exits or stays silent instead.
    explicit TSimProcess(const std::vector<std::string>& args,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Stops it as Stop() does, if still running.
    ~TSimProcess();

    TSimProcess(const TSimProcess&) = delete;
    TSimProcess& operator=(const TSimProcess&) = delete;

    // The pseudo-terminal (or device) path the simulator announced.
    const std::string& LinePath() const { return LinePath_; }

    pid_t Pid() const { return Pid_; }

    // Sends SIGTERM and reaps the process. A simulator that has not ended within the
    // time-out is killed with SIGKILL. Idempotent: later calls return the first result.
    TSimExit Stop(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  private:
    pid_t Pid_ = -1;
    int StdoutFd_ = -1;
    std::string LinePath_;
    bool Reaped_ = false;
    TSimExit Exit_;
};

}  // namespace norvane::test
