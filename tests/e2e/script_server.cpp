#include "tests/e2e/script_server.h"

#include <signal.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace norvane::test {

namespace {

using namespace std::chrono_literals;

std::string ServerScript(const std::string& name) {
    return std::string(NORVANE_SERVER_SCRIPTS) + "/" + name;
}

std::size_t LinesIn(const std::string& path) {
    std::istringstream text(ReadFile(path));
    std::size_t lines = 0;
    for (std::string line; std::getline(text, line);) {
        ++lines;
    }
    return lines;
}

}  // namespace

TScriptServer::TScriptServer(const std::string& script, const std::vector<std::string>& args) {
    // -B: no bytecode cache in the source tree.
    std::vector<std::string> command{"-B", script, Dir_ / "ready"};
    command.insert(command.end(), args.begin(), args.end());
    Process_ = std::make_unique<TChildProcess>(NORVANE_PYTHON3, command);
    // A hang guard: the scripts listen within a second even on a busy machine.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!std::filesystem::exists(Dir_ / "ready")) {
        if (::kill(Process_->Pid(), 0) != 0 || std::chrono::steady_clock::now() > deadline) {
            Process_->Signal(SIGKILL);
            const TProgramExit exit = Process_->Wait(10s);
            Process_.reset();
            throw std::runtime_error(script + " did not come up: " + exit.ErrorText);
        }
        std::this_thread::sleep_for(10ms);
    }
    Port_ = std::stoi(ReadFile(Dir_ / "ready"));
}

TScriptServer::~TScriptServer() {
    if (!Process_) {
        return;
    }
    Process_->Signal(SIGTERM);
    try {
        Process_->Wait(10s);
    } catch (...) {
        // Killed by Wait already; a destructor must not throw.
    }
}

std::string TScriptServer::Rfc2217Url() const {
    return "rfc2217://127.0.0.1:" + std::to_string(Port_);
}

void TScriptServer::AwaitConnections(std::size_t count) const {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (LinesIn(Dir_ / "accepted") < count) {
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("nobody connected to the server");
        }
        std::this_thread::sleep_for(10ms);
    }
}

std::unique_ptr<TScriptServer> StartPyserialServer(const std::string& linePath) {
    return std::make_unique<TScriptServer>(ServerScript("pyserial_rfc2217_server.py"),
                                           std::vector<std::string>{linePath});
}

// sredird wants a full device path, and a lock file: a relative one lands in the server's
// private folder. Modem line polling is off, since a pseudo-terminal has no modem lines.
std::unique_ptr<TScriptServer> StartSredird(const std::string& linePath) {
    return std::make_unique<TScriptServer>(
        ServerScript("inetd_listener.py"),
        std::vector<std::string>{"300", NORVANE_SREDIRD, "0",
                                 std::filesystem::canonical(linePath).string(), "LCK..line", "0"});
}

std::unique_ptr<TScriptServer> StartHostileServer(const std::string& mode) {
    return std::make_unique<TScriptServer>(ServerScript("hostile_rfc2217_server.py"),
                                           std::vector<std::string>{mode});
}

std::unique_ptr<TScriptServer> StartDelayingProxy(int targetPort, std::chrono::milliseconds delay,
                                                  std::chrono::seconds slowFor) {
    return std::make_unique<TScriptServer>(
        ServerScript("delaying_proxy.py"),
        std::vector<std::string>{std::to_string(targetPort), std::to_string(delay.count()),
                                 std::to_string(slowFor.count())});
}

}  // namespace norvane::test
