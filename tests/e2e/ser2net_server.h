#pragma once
// A serial device server for tests: Debian's ser2net serving one line (the simulator's
// pseudo-terminal) on two free localhost ports, one speaking Telnet Com Port Control and
// one raw TCP, with its own configuration file in a private folder.

#include <memory>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::test {

class TSer2netServer {
  public:
    // Starts the server for the tty at `linePath` on fresh ports and waits until both
    // accept connections; a port taken meanwhile by someone else means another pair.
    // Throws with the cause when the server never comes up. A path that does not exist
    // gives a server that refuses every client for want of its device.
    explicit TSer2netServer(const std::string& linePath);
    ~TSer2netServer();
    TSer2netServer(const TSer2netServer&) = delete;
    TSer2netServer& operator=(const TSer2netServer&) = delete;

    std::string Rfc2217Url() const;
    std::string SocketUrl() const;
    int Rfc2217Port() const { return TelnetPort_; }
    int SocketPort() const { return RawPort_; }

    // Whether the server has the line open, i.e. serves a client on one of its ports.
    bool HoldsLine() const;
    // Waits until the server has closed the line after its last client left. It does that
    // a little after the client's connection ended, and meanwhile refuses a client of
    // either port ("Port already in use", "Port's device already in use"): a test that
    // connects again at once must wait for this first. A hang guard, not a timer.
    void AwaitLineReleased() const;

    // Kills the server (SIGKILL: no goodbye on its connections) and reaps it.
    void Kill();
    // Starts it again on the same ports. Throws when that fails.
    void Restart();

  private:
    bool StartOnPorts();

    std::string LinePath_;
    TTempDir Dir_;
    int TelnetPort_ = 0;
    int RawPort_ = 0;
    std::unique_ptr<TChildProcess> Server_;
};

// A localhost port nobody listens on now.
int FreeLocalPort();

}  // namespace norvane::test
