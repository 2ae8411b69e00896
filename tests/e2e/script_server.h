#pragma once
// Servers for the network device tests that we run from scripts in tests/e2e/servers/:
// peers we did not write (pyserial's RFC 2217 server, Debian's sredird) and ones that
// misbehave on purpose. Each picks a free 127.0.0.1 port itself and names it in a ready
// file in a private folder, so no port is chosen here and then lost to someone else.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::test {

class TScriptServer {
  public:
    // Runs `script` with the ready file's path and then `args`, and waits until it names
    // its port. Throws with the script's own words when it ends or stays silent instead.
    TScriptServer(const std::string& script, const std::vector<std::string>& args);
    // SIGTERM, then SIGKILL if it outstays a few seconds; the scripts end by themselves
    // as well.
    ~TScriptServer();
    TScriptServer(const TScriptServer&) = delete;
    TScriptServer& operator=(const TScriptServer&) = delete;

    int Port() const { return Port_; }
    std::string Rfc2217Url() const;

    // Waits until `count` connections have been accepted in all; a hang guard, not a timer.
    void AwaitConnections(std::size_t count) const;

    // The private folder, for files the server needs (sredird's lock file).
    const TTempDir& Dir() const { return Dir_; }

  private:
    TTempDir Dir_;
    std::unique_ptr<TChildProcess> Process_;
    int Port_ = 0;
};

// pyserial's PortManager serving the tty at `linePath`.
std::unique_ptr<TScriptServer> StartPyserialServer(const std::string& linePath);
// Debian's sredird serving the tty at `linePath`, one instance per connection.
std::unique_ptr<TScriptServer> StartSredird(const std::string& linePath);
// An RFC 2217 server that misbehaves as `mode` says (see hostile_rfc2217_server.py).
std::unique_ptr<TScriptServer> StartHostileServer(const std::string& mode);
// A link to 127.0.0.1:targetPort that delays what arrives in the first `slowFor` of each
// connection by `delay` each way, and sends every byte in a segment of its own.
std::unique_ptr<TScriptServer> StartDelayingProxy(int targetPort, std::chrono::milliseconds delay,
                                                  std::chrono::seconds slowFor);

}  // namespace norvane::test
