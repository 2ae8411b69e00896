#pragma once
// The few things the serial layer needs from the program it runs in, installed once at
// start-up by the desktop program or the command line. Until a hook is installed a plain
// default applies, stated at each one. Install and read them on the user-interface thread.

#include <exception>
#include <functional>
#include <optional>

namespace norvane::serial {

// The application's standard report of a failure nobody handled (an exception escaping an
// event handler). Default: the failure's text on standard error.
using TExceptionReport = std::function<void(const std::exception&)>;
void SetExceptionReport(TExceptionReport report);
void ReportException(const std::exception& failure);

// Asks the user for a port when none is configured (the Select Port dialog). Returns the
// chosen port number, or nothing when the user declined. Default: no prompt, which makes an
// open without a port number fail with ENoPortSelected.
using TPortPrompt = std::function<std::optional<int>()>;
void SetPortPrompt(TPortPrompt prompt);
const TPortPrompt& PortPrompt();

// A descriptor that becomes readable when the user asks the program to stop (a signal it
// ends on): the serial layer's own waits for a network server, at open and at close, watch
// it beside the socket and give up with ECANCELED, so that a server that never answers
// cannot hold the program. The layer only polls it, never reads it: whoever installed it
// empties it. Default -1, none. Any thread may read it.
void SetWaitInterruptFd(int fd);
int WaitInterruptFd();

}  // namespace norvane::serial
