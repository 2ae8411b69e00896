// norvane-cli: download an instrument's cells to a cell file, upload one, or compare them,
// from a shell.

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <iostream>

#include "base/command_line_usage.h"
#include "base/visible_text.h"
#include "cli/cell_comparison_report.h"
#include "cli/cli_options.h"
#include "cli/port_list_command.h"
#include "cli/transfer_runner.h"
#include "serial/ports/port_map.h"
#include "session/standard_streams.h"

int main(int argc, char** argv) {
    norvane::session::EnsureStandardStreamsOpen();
    using namespace norvane::cli;
    // A closed output (a pipe whose reader is gone) is a failed write that the program
    // handles, not a signal that kills it with the port locked and a partial file left.
    ::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);
    TCliOptions options;
    try {
        options = ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const norvane::base::TUsageError& failure) {
        std::cerr << norvane::base::UsageErrorText(kProgramName, failure.what());
        return ecUsageOrFileOrPort;
    }
    if (options.ShowHelp) {
        std::cout << UsageText();
        return ecComplete;
    }
    if (options.ShowVersion) {
        std::cout << norvane::base::VersionText(kProgramName);
        return ecComplete;
    }
    if (options.SettingsFile) {
        try {
            CheckSettingsFileReadable(*options.SettingsFile);
        } catch (const std::exception& failure) {
            std::cerr << "norvane-cli: "
                      << norvane::base::VisibleText(failure.what(),
                                                    norvane::base::TControlSet::Terminal)
                      << '\n';
            return ecUsageOrFileOrPort;
        }
    }
    if (options.Command == TCommand::Diff) {
        return DiffCommand(options, std::cout, std::cerr);
    }
    if (options.Command == TCommand::Ports) {
        return ListPortsCommand(options, std::cout, norvane::serial::PortMap());
    }
    return RunTransfer(options, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
