// Whole-download figures for norvane-cli against the instrument simulator over a pty, each
// beside reference programs doing the same download in the same run:
//   - the plain loop: a C loop that writes each query and reads with poll() and read()
//     whatever has arrived until the line feed (the least any program can do);
//   - the script: a Python loop over python3-serial (Debian's pyserial) writing each query
//     and calling readline(), the tool a user would write instead; left out, and said so,
//     when Debian's python3 has no serial module.
// The figures:
//   1. CPU as a share of one core while the instrument paces its replies byte by byte at
//      9600 baud;
//   2. CPU for the whole download at 115200 baud, byte-paced;
//   3. latency: the 9600-baud download against the line's own time for the bytes it carries,
//      and the time per exchange with an instantly answering instrument.
// Every program runs as a child process, so that all are measured alike (their user and
// system time, all threads). Run by hand (build/bench/transfer_bench); the figures go to
// standard output. A machine shared with other work shows noise of several per cent: run
// it twice before reading much into a small difference.
//
// `transfer_bench --plain-loop LINE CELLS` is the plain loop itself.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace norvane::test;
using TClock = std::chrono::steady_clock;

constexpr int kCells = 1899;
constexpr int kExchanges = kCells + 2;  // line clear and probe first
constexpr const char* kPython = "/usr/bin/python3";

// The script a user would write: one query, one readline(), as pyserial's examples do.
constexpr const char* kScript = R"(import sys
import serial
port = serial.Serial(sys.argv[1], 9600, timeout=2)
for cell in range(1, int(sys.argv[2]) + 1):
    port.write(b"?B1/%d\r\n" % cell)
    if not port.readline().endswith(b"\n"):
        sys.exit("no reply to cell %d" % cell)
)";

double SecondsSince(TClock::time_point start) {
    return std::chrono::duration<double>(TClock::now() - start).count();
}

// A table with every cell defined, as a full instrument has it.
std::string FullTable() {
    std::string table;
    for (int cell = 1; cell <= kCells; ++cell) {
        table += std::to_string(cell) + ",TC-K,-50,250,0.1\r\n";
    }
    return table;
}

// Bytes the instrument sends for one full download of that table: the simulator paces
// what it sends, not what it receives, so this is the line time it emulates.
long ReplyBytes(const std::string& table) {
    const long firstRow = static_cast<long>(table.find('\n') + 1);
    return 3 + (firstRow + 1) + static_cast<long>(table.size()) + kCells;  // '*' on each reply
}

int PlainLoop(const std::string& line, int cells) {
    const int fd = ::open(line.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        std::perror(line.c_str());
        return 1;
    }
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    char buffer[256];
    for (int cell = 1; cell <= cells; ++cell) {
        const std::string query = "?B1/" + std::to_string(cell) + "\r\n";
        if (::write(fd, query.data(), query.size()) != static_cast<ssize_t>(query.size())) {
            std::perror("write");
            return 1;
        }
        for (bool lineEnd = false; !lineEnd;) {
            pollfd in{fd, POLLIN, 0};
            const ssize_t n = ::poll(&in, 1, 2000) > 0 ? ::read(fd, buffer, sizeof buffer) : -1;
            if (n <= 0) {
                std::fprintf(stderr, "no reply to cell %d\n", cell);
                return 1;
            }
            lineEnd = buffer[n - 1] == '\n';
        }
    }
    ::close(fd);
    return 0;
}

struct TRun {
    double Wall = 0;
    double Cpu = 0;
    long PeakResidentKiB = 0;
};

TRun Run(const std::string& program, const std::vector<std::string>& args, const char* what) {
    const auto start = TClock::now();
    const TProgramExit exit = RunProgramToExit(program, args, std::chrono::minutes(10));
    const double wall = SecondsSince(start);
    if (exit.ExitCode != 0) {
        throw std::runtime_error(std::string(what) + " failed: " + exit.ErrorText);
    }
    return TRun{wall, exit.CpuSeconds, exit.PeakResidentKiB};
}

class TBench {
  public:
    TBench() {
        WriteFile(Dir_ / "table.nvf", FullTable());
        WriteFile(Dir_ / "reference.py", kScript);
        const TProgramExit probe = RunProgramToExit(kPython, {"-c", "import serial"});
        HaveScript_ = probe.ExitCode == 0;
    }

    bool HaveScript() const { return HaveScript_; }

    // Each program downloads from a simulator of its own with the given extra options.
    TRun Norvane(const std::vector<std::string>& delivery) {
        TSimProcess sim(SimArgs(delivery));
        return Run(NORVANE_CLI_EXECUTABLE,
                   {"download", Dir_ / "cells.nvf", "--device", sim.LinePath()}, "norvane-cli");
    }
    TRun Plain(const std::vector<std::string>& delivery) {
        TSimProcess sim(SimArgs(delivery));
        return Run("/proc/self/exe", {"--plain-loop", sim.LinePath(), std::to_string(kCells)},
                   "plain loop");
    }
    std::optional<TRun> Script(const std::vector<std::string>& delivery) {
        if (!HaveScript_) {
            return std::nullopt;
        }
        TSimProcess sim(SimArgs(delivery));
        return Run(kPython, {Dir_ / "reference.py", sim.LinePath(), std::to_string(kCells)},
                   "script");
    }

  private:
    std::vector<std::string> SimArgs(const std::vector<std::string>& delivery) {
        std::vector<std::string> args{"--cells", Dir_ / "table.nvf"};
        args.insert(args.end(), delivery.begin(), delivery.end());
        return args;
    }

    TTempDir Dir_;
    bool HaveScript_ = false;
};

std::string ScriptShare(const std::optional<TRun>& script, double norvane, bool share) {
    if (!script) {
        return "script: not run, " + std::string(kPython) + " has no serial module " +
               "(apt-get install python3-serial)";
    }
    const double value = share ? script->Cpu / script->Wall * 100 : script->Cpu;
    char text[160];
    std::snprintf(text, sizeof text,
                  share ? "script %.2f %% (norvane-cli/script %.2fx)"
                        : "script %.2f s (norvane-cli/script %.2fx)",
                  value, norvane / value);
    return text;
}

void CpuAt9600(TBench& bench) {
    const std::string table = FullTable();
    const std::vector<std::string> paced{"--baud", "9600"};
    const TRun norvane = bench.Norvane(paced);
    const TRun plain = bench.Plain(paced);
    const std::optional<TRun> script = bench.Script(paced);
    const double share = norvane.Cpu / norvane.Wall * 100;
    std::printf(
        "1. 9600 baud, CPU while transferring: norvane-cli %.2f %% of a core (%.1f us per "
        "byte), plain loop %.2f %%, %s\n",
        share, norvane.Cpu / static_cast<double>(ReplyBytes(table)) * 1e6,
        plain.Cpu / plain.Wall * 100, ScriptShare(script, share, true).c_str());
    const double lineSeconds = static_cast<double>(ReplyBytes(table)) * 10 / 9600;
    std::printf(
        "3a. 9600 baud, download time: norvane-cli %.2f s, the line's own time %.2f s "
        "(%+.2f %%); plain loop %.2f s (%+.2f %%)\n",
        norvane.Wall, lineSeconds, (norvane.Wall / lineSeconds - 1) * 100, plain.Wall,
        (plain.Wall / lineSeconds - 1) * 100);
}

void CpuAt115200(TBench& bench) {
    const std::vector<std::string> paced{"--baud", "115200"};
    const TRun norvane = bench.Norvane(paced);
    const TRun plain = bench.Plain(paced);
    const std::optional<TRun> script = bench.Script(paced);
    std::printf(
        "2. 115200 baud, CPU for the whole download: norvane-cli %.2f s, plain loop %.2f s, "
        "%s\n",
        norvane.Cpu, plain.Cpu, ScriptShare(script, norvane.Cpu, false).c_str());
}

void InstantExchanges(TBench& bench) {
    const TRun norvane = bench.Norvane({});
    const TRun plain = bench.Plain({});
    const std::optional<TRun> script = bench.Script({});
    std::printf(
        "3b. instant instrument, time per exchange: norvane-cli %.1f us (peak memory %ld KiB), "
        "plain loop %.1f us (norvane-cli/plain %.2fx)",
        norvane.Wall / kExchanges * 1e6, norvane.PeakResidentKiB, plain.Wall / kCells * 1e6,
        (norvane.Wall / kExchanges) / (plain.Wall / kCells));
    if (script) {
        std::printf(", script %.1f us (norvane-cli/script %.2fx)", script->Wall / kCells * 1e6,
                    (norvane.Wall / kExchanges) / (script->Wall / kCells));
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--plain-loop") {
        return PlainLoop(argv[2], std::stoi(argv[3]));
    }
    try {
        TBench bench;
        for (void (*figure)(TBench&) : {InstantExchanges, CpuAt115200, CpuAt9600}) {
            figure(bench);
            std::fflush(stdout);  // each figure as soon as it is known: the run takes minutes
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "transfer_bench: %s\n", failure.what());
        return 1;
    }
    return 0;
}
