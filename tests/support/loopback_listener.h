#pragma once
// A TCP listener on a free 127.0.0.1 port that nobody accepts on: the kernel completes
// every connection, and a client then waits for a server that never speaks, unless the
// test accepts and plays the server itself. Header-only, for the fuzz targets too.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace norvane::test {

class TLoopbackListener {
  public:
    TLoopbackListener() : Fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (Fd_ < 0 || ::bind(Fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(Fd_, 4) != 0 ||
            ::getsockname(Fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        Port_ = ntohs(address.sin_port);
    }
    ~TLoopbackListener() { ::close(Fd_); }
    TLoopbackListener(const TLoopbackListener&) = delete;
    TLoopbackListener& operator=(const TLoopbackListener&) = delete;

    int Fd() const { return Fd_; }
    std::uint16_t Port() const { return Port_; }
    // "SCHEME://127.0.0.1:PORT"
    std::string Url(const std::string& scheme) const {
        return scheme + "://127.0.0.1:" + std::to_string(Port_);
    }

  private:
    int Fd_;
    std::uint16_t Port_ = 0;
};

}  // namespace norvane::test
