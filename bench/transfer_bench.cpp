// Whole-download figures for norvane-cli against the instrument simulator over a pty:
//   - time per exchange with an instantly answering instrument, beside a plain loop that
//     writes each query and reads one line with a 2 s time-out (the least any program can do);
//   - CPU time as a share of wall time while the instrument emulates a 9600-baud line;
//   - the whole 9600-baud download against the line's own time for the bytes it carries;
//   - peak memory.
// Run by hand (build/bench/transfer_bench); the figures go to standard output.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace norvane::test;
using TClock = std::chrono::steady_clock;

constexpr int kCells = 1899;
constexpr int kExchanges = kCells + 2;  // line clear and probe first

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

// The least a program can do per exchange: write the query, read one line.
double PlainLoopSecondsPerExchange(const std::string& line) {
    const int fd = ::open(line.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        throw std::runtime_error("cannot open " + line);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    const auto start = TClock::now();
    for (int cell = 1; cell <= kCells; ++cell) {
        const std::string query = "?B1/" + std::to_string(cell) + "\r\n";
        if (::write(fd, query.data(), query.size()) < 0)
            throw std::runtime_error("write");
        for (char c = 0; c != '\n';) {
            pollfd in{fd, POLLIN, 0};
            if (::poll(&in, 1, 2000) <= 0 || ::read(fd, &c, 1) != 1) {
                throw std::runtime_error("no reply");
            }
        }
    }
    ::close(fd);
    return SecondsSince(start) / kCells;
}

TProgramExit Download(const TSimProcess& sim, const std::string& file, double& wall) {
    const auto start = TClock::now();
    TProgramExit exit =
        RunProgramToExit(NORVANE_CLI_EXECUTABLE, {"download", file, "--device", sim.LinePath()},
                         std::chrono::minutes(10));
    wall = SecondsSince(start);
    if (exit.ExitCode != 0)
        throw std::runtime_error("download failed: " + exit.ErrorText);
    return exit;
}

}  // namespace

int main() {
    TTempDir dir;
    const std::string table = FullTable();
    WriteFile(dir / "table.nvf", table);

    TSimProcess instant({"--cells", dir / "table.nvf"});
    const double plain = PlainLoopSecondsPerExchange(instant.LinePath());
    double wall = 0;
    const TProgramExit fast = Download(instant, dir / "fast.nvf", wall);
    std::printf(
        "instant instrument: %.1f us per exchange (plain loop %.1f us), %.2f s in all, "
        "peak memory %ld KiB\n",
        wall / kExchanges * 1e6, plain * 1e6, wall, fast.PeakResidentKiB);

    TSimProcess slow({"--cells", dir / "table.nvf", "--baud", "9600"});
    const TProgramExit paced = Download(slow, dir / "slow.nvf", wall);
    const double lineSeconds = static_cast<double>(ReplyBytes(table)) * 10 / 9600;
    std::printf(
        "9600 baud: %.2f s (the line's own time %.2f s, %+.1f %%), CPU %.2f s = %.1f %% "
        "of one core, peak memory %ld KiB\n",
        wall, lineSeconds, (wall / lineSeconds - 1) * 100, paced.CpuSeconds,
        paced.CpuSeconds / wall * 100, paced.PeakResidentKiB);
    return 0;
}
