// norvane-cli: download an instrument's cells to a cell file, or upload one, from a shell.

#include <unistd.h>

#include <QCoreApplication>
#include <iostream>

#include "cli/cli_options.h"
#include "cli/transfer_runner.h"

int main(int argc, char** argv) {
    using namespace norvane::cli;
    QCoreApplication application(argc, argv);
    TCliOptions options;
    try {
        options = ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const TUsageError& failure) {
        std::cerr << "norvane-cli: " << failure.what() << "\nTry 'norvane-cli --help'.\n";
        return ecUsageOrFileOrPort;
    }
    if (options.ShowHelp) {
        std::cout << UsageText();
        return ecComplete;
    }
    return RunTransfer(options, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
