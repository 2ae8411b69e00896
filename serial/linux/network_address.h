#pragma once
// Where a network device lives: "rfc2217://HOST:PORT" (a serial device server speaking
// Telnet Com Port Control) or "socket://HOST:PORT" (raw TCP: the server's own line
// settings apply). HOST is a name, an IPv4 address or an IPv6 address in brackets.
//
// Connecting is bounded in time: name resolution and the TCP handshake each give up after
// the time-out, so that no caller (the user-interface thread among them) waits longer. A
// resolution that outlives its time-out finishes on a thread of its own and is dropped.
// Any thread.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace norvane::serial {

enum class TNetworkProtocol { Rfc2217, RawSocket };

struct TNetworkAddress {
    TNetworkProtocol Protocol = TNetworkProtocol::RawSocket;
    std::string Host;  // without IPv6 brackets
    std::uint16_t Port = 0;
};

// Whether `name` is meant as a network device (it starts with one of the two schemes),
// well formed or not.
bool IsNetworkDeviceName(const std::string& name);

// The address, or nothing when `name` is no well-formed network device name (unknown
// scheme, missing or out-of-range port, empty host, unclosed bracket).
std::optional<TNetworkAddress> ParseNetworkAddress(const std::string& name);

// How long OpenComHandle and the port listing wait for a server.
inline constexpr std::chrono::milliseconds kOpenConnectTimeout{3000};
inline constexpr std::chrono::milliseconds kProbeConnectTimeout{1000};
// How long what was sent may stay unacknowledged before a connection counts as lost
// (TCP_USER_TIMEOUT): a server that vanished without closing, or one that stopped reading.
inline constexpr std::chrono::milliseconds kUnacknowledgedLimit{10000};

// A connected, non-blocking, close-on-exec TCP socket, or a negative result code:
// -ecNetHostUnresolved when the name does not resolve in time, else the connect's errno
// through ResultFromErrno (ECONNREFUSED, ETIMEDOUT for no answer in time, ...).
int ConnectTcp(const TNetworkAddress& address, std::chrono::milliseconds timeout);

// The user's words for a failed open of network device `name` with result `code`, naming
// the address: "Cannot connect to socket://host:4001: Connection refused". Where the device
// said what the server did (`detail`, TLineDevice::FailureText), that instead: "Cannot use
// rfc2217://host:4001: the server said: Port already in use".
std::string NetworkOpenFailureText(const std::string& name, std::int32_t code,
                                   const std::string& detail = {});

}  // namespace norvane::serial
