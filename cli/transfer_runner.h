#pragma once
// One download or upload from the command line, start to finish.

#include <ostream>

#include "cli/cli_options.h"

namespace norvane::cli {

enum TExitCode : int {
    ecComplete = 0,
    ecCompletedWithErrors = 1,
    ecFailed = 2,
    ecAborted = 3,
    ecUsageOrFileOrPort = 4,
};

// Sets up the serial layer and the port from options (and the settings file), runs the
// transfer on the running Qt application's thread and event loop, and returns the exit
// code. log receives the message log, errors everything else.
int RunTransfer(const TCliOptions& options, std::ostream& log, std::ostream& errors,
                bool interactive);

}  // namespace norvane::cli
