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

// Lets a program with a window stay alive while a port opens on its thread and waits for a
// network server (connecting, the RFC 2217 negotiation, the confirmations): the wait calls
// the pump about every 50 ms, on the thread that installed it and only there, and gives
// up with ECANCELED when it returns true (the user cancelled). `waiting` is false once,
// when a wait ends. The pump may deliver events but must not use the port. Default: none.
// Install on the user-interface thread.
using TWaitPump = std::function<bool(bool waiting)>;
void SetWaitPump(TWaitPump pump);
// The installed pump, when called on its thread inside a wait that allows it (see
// TPumpedWaits); else none.
const TWaitPump* WaitPump();

// While alive, the waits for a network server on this thread call the pump: the open's
// waits, before the port's threads run and before anything else can reach the port.
class TPumpedWaits {
  public:
    TPumpedWaits();
    ~TPumpedWaits();
    TPumpedWaits(const TPumpedWaits&) = delete;
    TPumpedWaits& operator=(const TPumpedWaits&) = delete;

  private:
    bool Outer_;
};

}  // namespace norvane::serial
