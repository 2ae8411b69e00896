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
//      and the time per exchange with an instantly answering instrument, with what an
//      exchange costs there: thread wake-ups (voluntary context switches, all threads) and
//      system calls (counted by `perf stat` in a run of their own, as counting slows the
//      program; left out, and said so, where perf cannot count them).
// Every program runs as a child process, so that all are measured alike (their user and
// system time, all threads). Run by hand (build/bench/transfer_bench); the figures go to
// standard output. A machine shared with other work shows noise of several per cent: run
// it twice before reading much into a small difference.
//
// `transfer_bench --baseline-cli PATH` measures another build of norvane-cli (the one before
// a change) beside this one in the same run, so that a change is judged against the same
// conditions; `--only 1`, `--only 2` or `--only 3b` measures that figure alone.
// `transfer_bench --plain-loop LINE CELLS` is the plain loop itself.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
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
constexpr const char* kPerf = "/usr/bin/perf";

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
    long Wakeups = 0;
};

TRun Run(const std::string& program, const std::vector<std::string>& args, const char* what) {
    const auto start = TClock::now();
    const TProgramExit exit = RunProgramToExit(program, args, std::chrono::minutes(10));
    const double wall = SecondsSince(start);
    if (exit.ExitCode != 0) {
        throw std::runtime_error(std::string(what) + " failed: " + exit.ErrorText);
    }
    return TRun{wall, exit.CpuSeconds, exit.PeakResidentKiB, exit.VoluntarySwitches};
}

// The system calls of all of program's threads, from perf's system-call tracepoint; nothing
// when perf is missing or may not count them here.
std::optional<long> CountSystemCalls(const std::string& counts, const std::string& program,
                                     const std::vector<std::string>& args) {
    std::vector<std::string> perfArgs{"stat", "-x,",  "-e", "raw_syscalls:sys_enter",
                                      "-o",   counts, "--", program};
    perfArgs.insert(perfArgs.end(), args.begin(), args.end());
    if (RunProgramToExit(kPerf, perfArgs, std::chrono::minutes(10)).ExitCode != 0) {
        return std::nullopt;
    }
    std::ifstream in(counts);
    for (std::string line; std::getline(in, line);) {
        if (line.find("raw_syscalls:sys_enter") != std::string::npos && !line.empty() &&
            line[0] >= '0' && line[0] <= '9') {
            return std::stol(line);
        }
    }
    return std::nullopt;
}

// A build of norvane-cli and what the figures call it.
struct TCli {
    std::string Label;
    std::string Path;
};

class TBench {
  public:
    explicit TBench(std::vector<TCli> clis) : Clis_(std::move(clis)) {
        WriteFile(Dir_ / "table.nvf", FullTable());
        WriteFile(Dir_ / "reference.py", kScript);
        const TProgramExit probe = RunProgramToExit(kPython, {"-c", "import serial"});
        HaveScript_ = probe.ExitCode == 0;
    }

    bool HaveScript() const { return HaveScript_; }
    const std::vector<TCli>& Clis() const { return Clis_; }

    // Each program downloads from a simulator of its own with the given extra options.
    TRun Norvane(const TCli& cli, const std::vector<std::string>& delivery) {
        TSimProcess sim(SimArgs(delivery));
        return Run(cli.Path, CliArgs(sim), cli.Label.c_str());
    }
    TRun Plain(const std::vector<std::string>& delivery) {
        TSimProcess sim(SimArgs(delivery));
        return Run("/proc/self/exe", PlainArgs(sim), "plain loop");
    }
    // System calls of a download from an instantly answering instrument.
    std::optional<long> NorvaneSystemCalls(const TCli& cli) {
        TSimProcess sim(SimArgs({}));
        return CountSystemCalls(Dir_ / "counts", cli.Path, CliArgs(sim));
    }
    std::optional<long> PlainSystemCalls() {
        TSimProcess sim(SimArgs({}));
        // By its path: perf would read /proc/self/exe as itself.
        return CountSystemCalls(Dir_ / "counts", std::filesystem::read_symlink("/proc/self/exe"),
                                PlainArgs(sim));
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
    std::vector<std::string> CliArgs(const TSimProcess& sim) {
        return {"download", Dir_ / "cells.nvf", "--device", sim.LinePath()};
    }
    static std::vector<std::string> PlainArgs(const TSimProcess& sim) {
        return {"--plain-loop", sim.LinePath(), std::to_string(kCells)};
    }
    std::vector<std::string> SimArgs(const std::vector<std::string>& delivery) {
        std::vector<std::string> args{"--cells", Dir_ / "table.nvf"};
        args.insert(args.end(), delivery.begin(), delivery.end());
        return args;
    }

    const std::vector<TCli> Clis_;
    TTempDir Dir_;
    bool HaveScript_ = false;
};

std::string ScriptShare(const std::optional<TRun>& script, const std::vector<double>& norvane,
                        bool share) {
    if (!script) {
        return "script: not run, " + std::string(kPython) + " has no serial module " +
               "(apt-get install python3-serial)";
    }
    const double value = share ? script->Cpu / script->Wall * 100 : script->Cpu;
    char text[160];
    std::snprintf(text, sizeof text, share ? "script %.2f %% (" : "script %.2f s (", value);
    std::string result = text;
    for (std::size_t i = 0; i < norvane.size(); ++i) {
        std::snprintf(text, sizeof text, "%s%s/script %.2fx", i == 0 ? "" : ", ",
                      i == 0 ? "norvane-cli" : "baseline", norvane[i] / value);
        result += text;
    }
    return result + ")";
}

std::string PerExchange(const char* what, const std::optional<long>& count, int exchanges) {
    if (!count) {
        return std::string(what) + " n/a";
    }
    char text[80];
    std::snprintf(text, sizeof text, "%s %.2f", what,
                  static_cast<double>(*count) / static_cast<double>(exchanges));
    return text;
}

void CpuAt9600(TBench& bench) {
    const std::string table = FullTable();
    const std::vector<std::string> paced{"--baud", "9600"};
    std::vector<TRun> norvane;
    for (const TCli& cli : bench.Clis()) {
        norvane.push_back(bench.Norvane(cli, paced));
    }
    const TRun plain = bench.Plain(paced);
    const std::optional<TRun> script = bench.Script(paced);
    const double lineSeconds = static_cast<double>(ReplyBytes(table)) * 10 / 9600;
    std::vector<double> shares;
    std::printf("1. 9600 baud, CPU while transferring:");
    for (std::size_t i = 0; i < norvane.size(); ++i) {
        shares.push_back(norvane[i].Cpu / norvane[i].Wall * 100);
        std::printf(" %s %.2f %% of a core (%.1f us per byte, %.2f wake-ups per exchange),",
                    bench.Clis()[i].Label.c_str(), shares.back(),
                    norvane[i].Cpu / static_cast<double>(ReplyBytes(table)) * 1e6,
                    static_cast<double>(norvane[i].Wakeups) / kExchanges);
    }
    std::printf(" plain loop %.2f %% (%.2f wake-ups per exchange), %s\n",
                plain.Cpu / plain.Wall * 100, static_cast<double>(plain.Wakeups) / kCells,
                ScriptShare(script, shares, true).c_str());
    std::printf("3a. 9600 baud, download time: the line's own time %.2f s;", lineSeconds);
    for (std::size_t i = 0; i < norvane.size(); ++i) {
        std::printf(" %s %.2f s (%+.2f %%);", bench.Clis()[i].Label.c_str(), norvane[i].Wall,
                    (norvane[i].Wall / lineSeconds - 1) * 100);
    }
    std::printf(" plain loop %.2f s (%+.2f %%)\n", plain.Wall,
                (plain.Wall / lineSeconds - 1) * 100);
}

void CpuAt115200(TBench& bench) {
    const std::vector<std::string> paced{"--baud", "115200"};
    std::vector<double> cpu;
    std::printf("2. 115200 baud, CPU for the whole download:");
    for (const TCli& cli : bench.Clis()) {
        cpu.push_back(bench.Norvane(cli, paced).Cpu);
        std::printf(" %s %.2f s,", cli.Label.c_str(), cpu.back());
    }
    const TRun plain = bench.Plain(paced);
    const std::optional<TRun> script = bench.Script(paced);
    std::printf(" plain loop %.2f s, %s\n", plain.Cpu, ScriptShare(script, cpu, false).c_str());
}

void InstantExchanges(TBench& bench) {
    std::vector<TRun> norvane;
    for (const TCli& cli : bench.Clis()) {
        norvane.push_back(bench.Norvane(cli, {}));
    }
    const TRun plain = bench.Plain({});
    const std::optional<TRun> script = bench.Script({});
    const double plainExchange = plain.Wall / kCells;
    std::printf("3b. instant instrument, time per exchange:");
    for (std::size_t i = 0; i < norvane.size(); ++i) {
        const double exchange = norvane[i].Wall / kExchanges;
        std::printf(" %s %.1f us (peak memory %ld KiB, /plain %.2fx", bench.Clis()[i].Label.c_str(),
                    exchange * 1e6, norvane[i].PeakResidentKiB, exchange / plainExchange);
        if (script) {
            std::printf(", /script %.2fx", exchange / (script->Wall / kCells));
        }
        std::printf("),");
    }
    std::printf(" plain loop %.1f us", plainExchange * 1e6);
    if (script) {
        std::printf(", script %.1f us", script->Wall / kCells * 1e6);
    }
    std::printf("\n3c. instant instrument, per exchange:");
    for (std::size_t i = 0; i < norvane.size(); ++i) {
        const TCli& cli = bench.Clis()[i];
        std::printf(" %s %.2f wake-ups, %s;", cli.Label.c_str(),
                    static_cast<double>(norvane[i].Wakeups) / kExchanges,
                    PerExchange("system calls", bench.NorvaneSystemCalls(cli), kExchanges).c_str());
    }
    std::printf(" plain loop %.2f wake-ups, %s\n", static_cast<double>(plain.Wakeups) / kCells,
                PerExchange("system calls", bench.PlainSystemCalls(), kCells).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--plain-loop") {
        return PlainLoop(argv[2], std::stoi(argv[3]));
    }
    std::vector<TCli> clis{{"norvane-cli", NORVANE_CLI_EXECUTABLE}};
    // The figures by the numbers they print under; --only picks one (the 9600-baud one alone
    // takes minutes).
    std::vector<std::pair<std::string, void (*)(TBench&)>> figures{
        {"3b", InstantExchanges}, {"2", CpuAt115200}, {"1", CpuAt9600}};
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--baseline-cli" && i + 1 < argc) {
            clis.push_back({"baseline", argv[i + 1]});
        } else if (option == "--only" && i + 1 < argc) {
            std::erase_if(figures, [&](const auto& figure) { return figure.first != argv[i + 1]; });
        } else {
            std::fprintf(stderr, "usage: transfer_bench [--baseline-cli PATH] [--only 1|2|3b]\n");
            return 2;
        }
    }
    try {
        TBench bench(std::move(clis));
        for (const auto& figure : figures) {
            figure.second(bench);
            std::fflush(stdout);  // each figure as soon as it is known: the run takes minutes
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "transfer_bench: %s\n", failure.what());
        return 1;
    }
    return 0;
}
