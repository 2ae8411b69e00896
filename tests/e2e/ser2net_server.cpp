#include "tests/e2e/ser2net_server.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace norvane::test {

namespace {

using namespace std::chrono_literals;

sockaddr_in LocalAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

// Whether something listens on 127.0.0.1:port, read from the kernel's table rather than
// tried: a trial connection would make ser2net open the line, and it might still be busy
// closing it when the test connects.
bool Listening(int port) {
    char local[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", port);
    std::ifstream table("/proc/net/tcp");
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string slot, address, remote, state;
        fields >> slot >> address >> remote >> state;
        if (address == local && state == "0A") {
            return true;
        }
    }
    return false;
}

}  // namespace

int FreeLocalPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = LocalAddress(0);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw SystemError("no free local port");
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

TSer2netServer::TSer2netServer(const std::string& linePath)
    : LinePath_(std::filesystem::weakly_canonical(linePath).string()) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        TelnetPort_ = FreeLocalPort();
        RawPort_ = FreeLocalPort();
        if (TelnetPort_ != RawPort_ && StartOnPorts()) {
            return;
        }
    }
    throw std::runtime_error("ser2net did not come up on free localhost ports");
}

TSer2netServer::~TSer2netServer() {
    Kill();
}

std::string TSer2netServer::Rfc2217Url() const {
    return "rfc2217://127.0.0.1:" + std::to_string(TelnetPort_);
}

std::string TSer2netServer::SocketUrl() const {
    return "socket://127.0.0.1:" + std::to_string(RawPort_);
}

// Read from the server's open files: nothing it says on a connection tells when it is done
// with the line.
bool TSer2netServer::HoldsLine() const {
    if (!Server_) {
        return false;
    }
    std::error_code ignored;
    const std::filesystem::path fds = "/proc/" + std::to_string(Server_->Pid()) + "/fd";
    for (const auto& fd : std::filesystem::directory_iterator(fds, ignored)) {
        if (std::filesystem::read_symlink(fd.path(), ignored) == LinePath_) {
            return true;
        }
    }
    return false;
}

void TSer2netServer::AwaitLineReleased() const {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (HoldsLine()) {
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("ser2net kept the line open after its client left");
        }
        std::this_thread::sleep_for(1ms);
    }
}

void TSer2netServer::Kill() {
    if (Server_) {
        Server_->Signal(SIGKILL);
        Server_->Wait(10s);
        Server_.reset();
    }
}

void TSer2netServer::Restart() {
    Kill();
    if (!StartOnPorts()) {
        throw std::runtime_error("ser2net did not come back on its ports");
    }
}

// `local`: a pseudo-terminal has no modem lines to wait for.
bool TSer2netServer::StartOnPorts() {
    const std::string connector = "  connector: serialdev," + LinePath_ + ",9600n81,local\n";
    WriteFile(Dir_ / "ser2net.yaml",
              "connection: &telnet\n  accepter: telnet(rfc2217),tcp,127.0.0.1," +
                  std::to_string(TelnetPort_) + "\n" + connector +
                  "connection: &raw\n  accepter: tcp,127.0.0.1," + std::to_string(RawPort_) + "\n" +
                  connector);
    Server_ = std::make_unique<TChildProcess>(
        NORVANE_SER2NET_EXECUTABLE,
        std::vector<std::string>{"-n", "-c", Dir_ / "ser2net.yaml", "-P", Dir_ / "ser2net.pid"});
    // A hang guard: ser2net listens within milliseconds.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::kill(Server_->Pid(), 0) != 0) {
            break;
        }
        if (Listening(TelnetPort_) && Listening(RawPort_)) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    Kill();
    return false;
}

}  // namespace norvane::test
