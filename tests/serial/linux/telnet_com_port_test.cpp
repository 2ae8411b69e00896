// The RFC 2217 byte stream where a fault would hide: the value 255 in data and in command
// values, and server messages cut at any point between two reads.

#include "serial/linux/telnet_com_port.h"

#include <gtest/gtest.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "serial/linux/network_address.h"
#include "tests/support/loopback_listener.h"

namespace norvane::serial {
namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::uint8_t IAC = 255, SB = 250, SE = 240, WILL = 251, DO = 253, DONT = 254;

TBytes TakeOutgoing(TTelnetComPort& port) {
    TBytes sent;
    sent.swap(port.Outgoing());
    return sent;
}

TEST(TelnetComPortTest, DataAndCommandValuesDoubleEveryIac) {
    TTelnetComPort port;
    TakeOutgoing(port);  // the opening negotiation
    port.SendData(TBytes{'A', IAC, IAC, 'B'});
    EXPECT_EQ(TakeOutgoing(port), (TBytes{'A', IAC, IAC, IAC, IAC, 'B'}));
    // 0x0000FFFF baud: two value bytes 255 inside a subnegotiation.
    port.SendCommand(cpcSetBaudRate, TBytes{0, 0, IAC, IAC});
    EXPECT_EQ(TakeOutgoing(port), (TBytes{IAC, SB, 44, 1, 0, 0, IAC, IAC, IAC, IAC, IAC, SE}));
}

// Data around a confirmation and a modem notification, each with a doubled 255, fed in
// every possible pair of pieces: the same data and the same replies whatever the cut.
TEST(TelnetComPortTest, ServerStreamSplitAnywhereDecodesTheSame) {
    const TBytes stream{'x', IAC, IAC, IAC, SB, 44, 101, 0,    0,   IAC, IAC, IAC, IAC,
                        IAC, SE,  'y', IAC, SB, 44, 107, 0xB3, IAC, SE,  IAC, IAC, 'z'};
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        TTelnetComPort port;
        TBytes data;
        ASSERT_TRUE(port.Receive({stream.data(), cut}, data));
        ASSERT_TRUE(port.Receive({stream.data() + cut, stream.size() - cut}, data));
        EXPECT_EQ(data, (TBytes{'x', IAC, 'y', IAC, 'z'}));
        EXPECT_EQ(port.TakeReply(cpcSetBaudRate), (TBytes{0, 0, IAC, IAC}));
        EXPECT_EQ(port.TakeReply(cpcSetBaudRate), std::nullopt) << "taken once";
        EXPECT_EQ(port.ModemState(), 0xB0);
    }
}

// Until the server takes the com port option nothing else goes out: a raw port given as
// rfc2217:// passes what we send to the instrument's line.
TEST(TelnetComPortTest, OnlyTheComPortOfferGoesOutUntilTheServerAcceptsIt) {
    for (const std::uint8_t answer : {DO, DONT}) {
        SCOPED_TRACE(static_cast<int>(answer));
        TTelnetComPort port;
        EXPECT_EQ(TakeOutgoing(port), (TBytes{IAC, WILL, 44}));
        TBytes data;
        ASSERT_TRUE(port.Receive(TBytes{IAC, answer, 44}, data));
        if (answer == DO) {
            EXPECT_EQ(port.ComPortAnswer(), TComPortAnswer::Accepted);
            EXPECT_EQ(TakeOutgoing(port),
                      (TBytes{IAC, WILL, 0, IAC, DO, 0, IAC, WILL, 3, IAC, DO, 3}));
        } else {
            EXPECT_EQ(port.ComPortAnswer(), TComPortAnswer::Refused);
            EXPECT_EQ(TakeOutgoing(port), TBytes{});
        }
    }
}

// What libtelnet would act on although nobody agreed to it never reaches it: a COMPRESS2
// start ends the stream (it would inflate whatever follows into any amount of data), other
// options' subnegotiations are dropped whole, and com port messages still pass around them.
TEST(TelnetComPortTest, SubnegotiationsOfOtherOptionsNeverReachTheTelnetLayer) {
    struct TCase {
        const char* What;
        TBytes Stream;
        bool Sound;
        TBytes Data;
    };
    const TCase cases[] = {
        {"compression start", {'a', IAC, SB, 86, IAC, SE, 0x78, 0x9C, 'b'}, false, {'a'}},
        {"terminal type request, then a com port reply",
         {'a', IAC, SB,  24, 1, IAC,  IAC,  IAC, SE, 'b', IAC,
          SB,  44,  101, 0,  0, 0x25, 0x80, IAC, SE, 'c'},
         true,
         {'a', 'b', 'c'}},
        {"environment request cut short by a command",
         {'a', IAC, SB, 39, 1, IAC, WILL, 1, 'b'},
         true,
         {'a', 'b'}},
        {"com port message broken by a command", {IAC, SB, 44, 101, IAC, WILL, 1, 'b'}, false, {}},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.What);
        for (std::size_t cut = 0; cut <= test.Stream.size(); ++cut) {
            SCOPED_TRACE(cut);
            TTelnetComPort port;
            TBytes data;
            const bool first = port.Receive({test.Stream.data(), cut}, data);
            const bool second =
                port.Receive({test.Stream.data() + cut, test.Stream.size() - cut}, data);
            EXPECT_EQ(first && second, test.Sound);
            EXPECT_EQ(data, test.Data);
            EXPECT_EQ(port.ProtocolError().empty(), test.Sound) << port.ProtocolError();
        }
    }
}

TEST(NetworkAddressTest, NamesParseOrAreRefusedWhole) {
    struct TCase {
        const char* Name;
        bool Valid;
        TNetworkProtocol Protocol = TNetworkProtocol::RawSocket;
        const char* Host = "";
        int Port = 0;
    };
    const TCase cases[] = {
        {"rfc2217://10.0.0.5:4001", true, TNetworkProtocol::Rfc2217, "10.0.0.5", 4001},
        {"RFC2217://10.0.0.5:4001", true, TNetworkProtocol::Rfc2217, "10.0.0.5", 4001},
        {"Socket://[::1]:7000", true, TNetworkProtocol::RawSocket, "::1", 7000},
        {"socket://[::1]:7000", true, TNetworkProtocol::RawSocket, "::1", 7000},
        {"socket://npt-3.plant:65535", true, TNetworkProtocol::RawSocket, "npt-3.plant", 65535},
        {"socket://host", false},
        {"socket://host:0", false},
        {"socket://host:65536", false},
        {"socket://host:40x", false},
        {"socket://:4001", false},
        {"socket://::1:4001", false},
        {"socket://[::1:4001", false},
        {"rfc2217://host:4001?ign_set_control", false},
        {"/dev/ttyUSB0", false},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        const std::optional<TNetworkAddress> address = ParseNetworkAddress(test.Name);
        ASSERT_EQ(address.has_value(), test.Valid);
        if (address) {
            EXPECT_EQ(address->Protocol, test.Protocol);
            EXPECT_EQ(address->Host, test.Host);
            EXPECT_EQ(address->Port, test.Port);
        }
    }
}

// Each command is a short line awaiting a short reply, so nothing may sit in Nagle's
// buffer; and a pause of a few seconds on a real network (a cellular link, a VPN) must not
// count as a server gone, while one that vanishes without closing must not hold the
// transfer for the kernel's quarter of an hour either.
TEST(NetworkAddressTest, AConnectedSocketSendsAtOnceAndCountsTenSilentSecondsAsLost) {
    const test::TLoopbackListener listener;
    const int fd = ConnectTcp({TNetworkProtocol::RawSocket, "127.0.0.1", listener.Port()},
                              kOpenConnectTimeout);
    ASSERT_GE(fd, 0);
    int noDelay = 0;
    unsigned userTimeout = 0;
    socklen_t size = sizeof noDelay;
    ::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, &size);
    size = sizeof userTimeout;
    ::getsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, &size);
    EXPECT_NE(noDelay, 0);
    EXPECT_EQ(userTimeout, 10000u);
    ::close(fd);
}

}  // namespace
}  // namespace norvane::serial
