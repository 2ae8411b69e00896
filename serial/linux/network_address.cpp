#include "serial/linux/network_address.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "base/visible_text.h"
#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/errors/error_text.h"

namespace norvane::serial {

namespace {

constexpr std::string_view kRfc2217Scheme = "rfc2217://";
constexpr std::string_view kSocketScheme = "socket://";
constexpr unsigned kLostConnectionAfter = 10000;  // milliseconds

struct TAddrInfoDeleter {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using TAddrInfoList = std::unique_ptr<addrinfo, TAddrInfoDeleter>;

// getaddrinfo has no time-out of its own. The lookup runs on its own thread; the state is
// shared so that a lookup that outlives the caller's wait cleans up after itself.
struct TLookup {
    std::mutex Lock;
    std::condition_variable Done;
    bool Finished = false;
    int Status = EAI_AGAIN;
    TAddrInfoList Result;
};

TAddrInfoList Resolve(const TNetworkAddress& address, std::chrono::milliseconds timeout) {
    auto lookup = std::make_shared<TLookup>();
    const std::string host = address.Host;
    const std::string service = std::to_string(address.Port);
    try {
        std::thread([lookup, host, service] {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
            addrinfo* found = nullptr;
            const int status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
            std::lock_guard lock(lookup->Lock);
            lookup->Status = status;
            lookup->Result.reset(found);
            lookup->Finished = true;
            lookup->Done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return nullptr;
    }
    std::unique_lock lock(lookup->Lock);
    if (!lookup->Done.wait_for(lock, timeout, [&] { return lookup->Finished; }) ||
        lookup->Status != 0) {
        return nullptr;
    }
    return std::move(lookup->Result);
}

// 0 once connected, else the errno of the attempt.
int ConnectOne(int fd, const addrinfo& candidate, std::chrono::milliseconds timeout) {
    if (::connect(fd, candidate.ai_addr, candidate.ai_addrlen) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return errno;
    }
    pollfd waiting{fd, POLLOUT, 0};
    int ready = 0;
    do {
        ready = ::poll(&waiting, 1, static_cast<int>(timeout.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
        return ETIMEDOUT;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (ready < 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        return errno;
    }
    return error;
}

}  // namespace

bool IsNetworkDeviceName(const std::string& name) {
    return name.starts_with(kRfc2217Scheme) || name.starts_with(kSocketScheme);
}

std::optional<TNetworkAddress> ParseNetworkAddress(const std::string& name) {
    TNetworkAddress address;
    std::string_view rest(name);
    if (rest.starts_with(kRfc2217Scheme)) {
        address.Protocol = TNetworkProtocol::Rfc2217;
        rest.remove_prefix(kRfc2217Scheme.size());
    } else if (rest.starts_with(kSocketScheme)) {
        address.Protocol = TNetworkProtocol::RawSocket;
        rest.remove_prefix(kSocketScheme.size());
    } else {
        return std::nullopt;
    }
    // pyserial-style options after the address are not understood; refuse them rather
    // than take them for part of the port.
    std::string_view portText;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || rest.substr(close + 1, 1) != ":") {
            return std::nullopt;
        }
        address.Host = std::string(rest.substr(1, close - 1));
        portText = rest.substr(close + 2);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos || rest.substr(0, colon).find(':') != rest.npos) {
            return std::nullopt;
        }
        address.Host = std::string(rest.substr(0, colon));
        portText = rest.substr(colon + 1);
    }
    unsigned port = 0;
    const auto [end, error] = std::from_chars(portText.begin(), portText.end(), port);
    if (address.Host.empty() || portText.empty() || error != std::errc() || end != portText.end() ||
        port == 0 || port > 65535) {
        return std::nullopt;
    }
    address.Port = static_cast<std::uint16_t>(port);
    return address;
}

int ConnectTcp(const TNetworkAddress& address, std::chrono::milliseconds timeout) {
    const TAddrInfoList candidates = Resolve(address, timeout);
    if (!candidates) {
        return -ecNetHostUnresolved;
    }
    int lastError = ECONNREFUSED;
    for (const addrinfo* candidate = candidates.get(); candidate != nullptr;
         candidate = candidate->ai_next) {
        const int fd =
            ::socket(candidate->ai_family, candidate->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                     candidate->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        lastError = ConnectOne(fd, *candidate, timeout);
        if (lastError == 0) {
            // Every command is a short line awaiting a short reply: send it at once.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            // A server that vanishes without closing (power, cable) would otherwise keep
            // the port "open" for the kernel's quarter of an hour of retries; after this
            // long without an acknowledgement the connection counts as lost, and the next
            // use connects afresh.
            const unsigned userTimeoutMs = kLostConnectionAfter;
            ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
            return fd;
        }
        ::close(fd);
    }
    return ResultFromErrno(lastError);
}

std::string NetworkOpenFailureText(const std::string& name, std::int32_t code) {
    if (!ParseNetworkAddress(name)) {
        return "Not a network device address (rfc2217://HOST:PORT or socket://HOST:PORT): " +
               norvane::base::VisibleText(name);
    }
    return "Cannot connect to " + norvane::base::VisibleText(name) + ": " + ErrorText(code);
}

}  // namespace norvane::serial
