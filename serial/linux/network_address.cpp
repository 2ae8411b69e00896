#include "serial/linux/network_address.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "base/visible_text.h"
#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/errors/error_text.h"
#include "serial/linux/interruptible_wait.h"

namespace norvane::serial {

namespace {

constexpr std::string_view kRfc2217Scheme = "rfc2217://";
constexpr std::string_view kSocketScheme = "socket://";

struct TAddrInfoDeleter {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using TAddrInfoList = std::unique_ptr<addrinfo, TAddrInfoDeleter>;

// getaddrinfo has no time-out of its own. The lookup runs on its own thread and says it has
// finished through a pipe, which the caller waits on like a socket (and so can be
// interrupted); the state is shared so that a lookup that outlives the caller's wait cleans
// up after itself.
struct TLookup {
    std::mutex Lock;
    int Status = EAI_AGAIN;
    TAddrInfoList Result;
    int Done[2] = {-1, -1};

    TLookup() {
        if (::pipe2(Done, O_CLOEXEC | O_NONBLOCK) != 0) {
            throw std::system_error(errno, std::generic_category(), "pipe2");
        }
    }
    ~TLookup() {
        ::close(Done[0]);
        ::close(Done[1]);
    }
    TLookup(const TLookup&) = delete;
    TLookup& operator=(const TLookup&) = delete;
};

// The addresses, or a negative result: -ecNetHostUnresolved, or ECANCELED's when the user
// asked to stop.
int Resolve(const TNetworkAddress& address, TWaitClock::time_point deadline, TAddrInfoList& found) {
    std::shared_ptr<TLookup> lookup;
    try {
        lookup = std::make_shared<TLookup>();
        std::thread([lookup, host = address.Host, service = std::to_string(address.Port)] {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
            addrinfo* list = nullptr;
            const int status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
            std::lock_guard lock(lookup->Lock);
            lookup->Status = status;
            lookup->Result.reset(list);
            [[maybe_unused]] const ssize_t told = ::write(lookup->Done[1], "", 1);
        }).detach();
    } catch (const std::system_error&) {
        return -ecNetHostUnresolved;
    }
    if (const int waited = WaitForEvents(lookup->Done[0], POLLIN, deadline); waited <= 0) {
        return waited == -ECANCELED ? ResultFromErrno(ECANCELED) : -ecNetHostUnresolved;
    }
    std::lock_guard lock(lookup->Lock);
    if (lookup->Status != 0) {
        return -ecNetHostUnresolved;
    }
    found = std::move(lookup->Result);
    return 0;
}

// 0 once connected, else the errno of the attempt (ECANCELED when the user asked to stop).
int ConnectOne(int fd, const addrinfo& candidate, TWaitClock::time_point deadline) {
    if (::connect(fd, candidate.ai_addr, candidate.ai_addrlen) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return errno;
    }
    const int ready = WaitForEvents(fd, POLLOUT, deadline);
    if (ready <= 0) {
        return ready == 0 ? ETIMEDOUT : -ready;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        return errno;
    }
    return error;
}

}  // namespace

namespace {

// URL schemes are case-insensitive (RFC 3986): "RFC2217://" is the same device.
bool StartsWithScheme(std::string_view name, std::string_view scheme) {
    return name.size() >= scheme.size() &&
           std::equal(scheme.begin(), scheme.end(), name.begin(), [](char wanted, char given) {
               return wanted == std::tolower(static_cast<unsigned char>(given));
           });
}

}  // namespace

bool IsNetworkDeviceName(const std::string& name) {
    return StartsWithScheme(name, kRfc2217Scheme) || StartsWithScheme(name, kSocketScheme);
}

std::optional<TNetworkAddress> ParseNetworkAddress(const std::string& name) {
    TNetworkAddress address;
    std::string_view rest(name);
    if (StartsWithScheme(rest, kRfc2217Scheme)) {
        address.Protocol = TNetworkProtocol::Rfc2217;
        rest.remove_prefix(kRfc2217Scheme.size());
    } else if (StartsWithScheme(rest, kSocketScheme)) {
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
    // One deadline for the lookup and every address it gives: a name with several
    // addresses must not multiply the user's wait.
    const TWaitClock::time_point deadline = TWaitClock::now() + timeout;
    TAddrInfoList candidates;
    if (const int resolved = Resolve(address, deadline, candidates); resolved < 0) {
        return resolved;
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
        lastError = ConnectOne(fd, *candidate, deadline);
        if (lastError == 0) {
            // Every command is a short line awaiting a short reply: send it at once.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            // A server that vanishes without closing (power, cable) would otherwise keep
            // the port "open" for the kernel's quarter of an hour of retries; after this
            // long without an acknowledgement the connection counts as lost, and the next
            // use connects afresh.
            const auto userTimeoutMs = static_cast<unsigned>(kUnacknowledgedLimit.count());
            ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
            return fd;
        }
        ::close(fd);
        if (lastError == ECANCELED || lastError == ETIMEDOUT) {
            break;  // the user stopped us, or the time is up for every address
        }
    }
    return ResultFromErrno(lastError);
}

std::string NetworkOpenFailureText(const std::string& name, std::int32_t code,
                                   const std::string& detail) {
    if (!ParseNetworkAddress(name)) {
        return "Not a network device address (rfc2217://HOST:PORT or socket://HOST:PORT): " +
               norvane::base::VisibleText(name);
    }
    if (!detail.empty()) {
        return "Cannot use " + norvane::base::VisibleText(name) + ": " + detail;
    }
    return "Cannot connect to " + norvane::base::VisibleText(name) + ": " + ErrorText(code);
}

}  // namespace norvane::serial
