// norvane-instrument: a stand-in for the data-logging instrument on a serial line, for
// development and tests without the hardware. See --help.

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "base/command_line_usage.h"
#include "sim/options.h"
#include "sim/simulator.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
    using namespace norvane::sim;
    // Whoever reads our announcement may be gone by the time we write; that must not
    // kill us before the table is saved.
    std::signal(SIGPIPE, SIG_IGN);
    TOptions options;
    try {
        options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const norvane::base::TUsageError& e) {
        std::cerr << norvane::base::UsageErrorText(kProgramName, e.what());
        return kExitUsage;
    }
    if (options.ShowHelp) {
        std::cout << UsageText();
        return 0;
    }
    if (options.ShowVersion) {
        std::cout << norvane::base::VersionText(kProgramName);
        return 0;
    }
    try {
        RunSimulator(options, std::cout);
    } catch (const std::exception& e) {
        std::cerr << kProgramName << ": " << e.what() << '\n';
        return kExitFailure;
    }
    return 0;
}
