// norvane-cli against serial device servers we did not write (pyserial's RFC 2217 server,
// Debian's sredird), through a slow link that splits every byte off, and against servers
// that refuse, stay silent or attack: whatever the server does, the program ends, says
// which address failed and leaves the user's file as it was.

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <ostream>

#include "tests/e2e/cli_drill.h"
#include "tests/e2e/script_server.h"
#include "tests/e2e/ser2net_server.h"

namespace norvane::test {
namespace {

using namespace std::chrono_literals;

const std::string kKept = "kept\r\n";

class ForeignServerTest : public TCliDrill {
  protected:
    ForeignServerTest() { WriteFile(Dir / "copy.nvf", kKept); }

    Args NetArgs(const std::string& command, const std::string& file, const std::string& url,
                 Args extra = {}) {
        Args args{command, file, "--device", url, "--settings", Dir / "empty.ini"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    // The failed download's traces: the user's file as it was, no partial file beside it.
    void ExpectFileKept() {
        EXPECT_EQ(ReadFile(Dir / "copy.nvf"), kKept);
        for (const std::string& name : Dir.Entries()) {
            EXPECT_FALSE(name.ends_with(".part")) << name;
        }
    }
};

// ---- peers we did not write ---------------------------------------------------------------

struct TPeer {
    const char* Name;
    std::function<std::unique_ptr<TScriptServer>(const std::string& linePath)> Start;
};

// Test names as CTest lists them.
void PrintTo(const TPeer& peer, std::ostream* out) {
    *out << peer.Name;
}

class ForeignPeerTest : public ForeignServerTest, public ::testing::WithParamInterface<TPeer> {};

// sredird confirms SET-BAUDRATE with eight value bytes, the rate and four zeros; pyserial
// sends NOTIFY-MODEMSTATE unasked and offers ECHO. A value byte 255 travels doubled.
TEST_P(ForeignPeerTest, DownloadsTheTableByteForByteAndRoundTripsAnUpload) {
    TSimProcess sim(SimArgs({}));
    const std::unique_ptr<TScriptServer> server = GetParam().Start(sim.LinePath());
    WriteFile(Dir / "up.nvf", kCellSevenWith255);
    const std::string expected = WithCellSevenWith255(ReadFile(Dir / "table.nvf"));

    const TProgramExit up = Run(NetArgs("upload", Dir / "up.nvf", server->Rfc2217Url()));
    EXPECT_EQ(up.ExitCode, 0) << up.ErrorText;
    EXPECT_NE(ReadFile(Dir / "journal").find("=" + kCellSevenWith255.substr(0, 8) + "\n"),
              std::string::npos);
    const TProgramExit down = Run(NetArgs("download", Dir / "copy.nvf", server->Rfc2217Url()));
    EXPECT_EQ(down.ExitCode, 0) << down.ErrorText;
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), expected);
}

INSTANTIATE_TEST_SUITE_P(Peers, ForeignPeerTest,
                         ::testing::Values(TPeer{"pyserial", StartPyserialServer},
                                           TPeer{"sredird", StartSredird}),
                         [](const auto& info) { return std::string(info.param.Name); });

// Replies late while the line is set up, where the time limits are, and every Telnet
// sequence split across reads, both ways.
TEST_F(ForeignServerTest, SlowLinkSplittingEveryByteStillTransfersByteForByte) {
    TSimProcess sim(SimArgs({}));
    TSer2netServer ser2net(sim.LinePath());
    const auto proxy = StartDelayingProxy(ser2net.Rfc2217Port(), 100ms, 3s);
    WriteFile(Dir / "up.nvf", "5,five\r\n");
    const TProgramExit up = Run(NetArgs("upload", Dir / "up.nvf", proxy->Rfc2217Url()));
    EXPECT_EQ(up.ExitCode, 0) << up.ErrorText;
    ser2net.AwaitLineReleased();
    std::string expected = ReadFile(Dir / "table.nvf");
    expected.replace(expected.find("5,gauge 35\r\n"), 12, "5,five\r\n");

    const TProgramExit down = Run(NetArgs("download", Dir / "copy.nvf", proxy->Rfc2217Url()));
    EXPECT_EQ(down.ExitCode, 0) << down.ErrorText;
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), expected);
}

// Behind 600 ms each way (a cellular modem, a VPN) the server's refusal of the baud rate
// comes later than a fast link's second of waiting: it is still heard at the open.
TEST_F(ForeignServerTest, ARefusalBehindASlowLinkIsStillHeardAtTheOpen) {
    const auto server = StartHostileServer("baud-refuse");
    const auto proxy = StartDelayingProxy(server->Port(), 600ms, 60s);
    const TProgramExit down = RunProgramToExit(
        NORVANE_CLI_EXECUTABLE,
        NetArgs("download", Dir / "copy.nvf", proxy->Rfc2217Url(), {"--baud", "19200"}), 90s);
    EXPECT_EQ(down.ExitCode, 4);
    EXPECT_NE(down.ErrorText.find("Cannot use " + proxy->Rfc2217Url() +
                                  ": the server set the baud rate to 9600 instead of 19200\n"),
              std::string::npos)
        << down.ErrorText;
    ExpectFileKept();
}

// ---- servers that refuse or attack --------------------------------------------------------

struct THostileCase {
    const char* Mode;
    int ExitCode;  // 0: any failure but a crash
    // A line of the error output; URL stands for the server's address, PORT for its port.
    std::string Said;
    Args Extra = {};
};

void PrintTo(const THostileCase& hostile, std::ostream* out) {
    *out << hostile.Mode;
}

class HostileServerTest : public ForeignServerTest,
                          public ::testing::WithParamInterface<THostileCase> {};

std::string WithAddress(std::string text, const TScriptServer& server) {
    for (const auto& [name, value] :
         {std::pair<std::string, std::string>{"URL", server.Rfc2217Url()},
          {"PORT", std::to_string(server.Port())}}) {
        if (const auto at = text.find(name); at != std::string::npos) {
            text.replace(at, name.size(), value);
        }
    }
    return text;
}

TEST_P(HostileServerTest, DownloadEndsNamingTheAddressAndKeepsTheFile) {
    const THostileCase& hostile = GetParam();
    const auto server = StartHostileServer(hostile.Mode);
    // The hang guard: no mode lasts longer than 60 s.
    const TProgramExit down = RunProgramToExit(
        NORVANE_CLI_EXECUTABLE,
        NetArgs("download", Dir / "copy.nvf", server->Rfc2217Url(), hostile.Extra), 90s);
    EXPECT_EQ(down.Signal, 0);
    if (hostile.ExitCode != 0) {
        EXPECT_EQ(down.ExitCode, hostile.ExitCode) << down.ErrorText << down.OutputText;
    } else {
        EXPECT_GT(down.ExitCode, 0) << down.ErrorText << down.OutputText;
    }
    EXPECT_NE(down.ErrorText.find(WithAddress(hostile.Said, *server) + "\n"), std::string::npos)
        << down.ErrorText;
    ExpectFileKept();
}

INSTANTIATE_TEST_SUITE_P(
    Modes, HostileServerTest,
    ::testing::Values(
        THostileCase{"refuse-text", 4, "Cannot use URL: the server said: Port already in use"},
        THostileCase{"refuse-after-negotiation", 4,
                     "Cannot use URL: the server said: Port already in use"},
        THostileCase{"dont-comport", 4,
                     "Cannot use URL: the server does not offer RFC 2217 serial control; for a "
                     "raw TCP port use socket://127.0.0.1:PORT"},
        THostileCase{"silent", 4,
                     "Cannot use URL: the server did not answer the offer of RFC 2217 serial "
                     "control within 5 s; for a raw TCP port use socket://127.0.0.1:PORT"},
        THostileCase{"baud-refuse",
                     4,
                     "Cannot use URL: the server set the baud rate to 9600 instead of 19200",
                     {"--baud", "19200"}},
        // Inflated, the stream would be 50 MiB of data.
        THostileCase{"compress-at-open", 4,
                     "Cannot use URL: the server started compressing the stream, which was "
                     "never agreed"},
        THostileCase{"compress-mid-transfer", 0,
                     "Lost URL: the server started compressing the stream, which was never "
                     "agreed"},
        THostileCase{"flood-at-open", 4,
                     "Cannot use URL: the server sent more than 64 KiB before confirming the "
                     "line settings"},
        THostileCase{"never-read", 4, "Cannot use URL: the server does not read what it is sent"}),
    [](const auto& info) {
        std::string name = info.param.Mode;
        std::erase(name, '-');
        return name;
    });

// What a Ctrl-C at the prompt does: the opening negotiation is no place to get stuck in.
TEST_F(ForeignServerTest, SigtermWhileTheServerIsSilentAbortsTheDownload) {
    const auto server = StartHostileServer("silent");
    TChildProcess cli(NORVANE_CLI_EXECUTABLE,
                      NetArgs("download", Dir / "copy.nvf", server->Rfc2217Url()));
    server->AwaitConnections(1);
    cli.Signal(SIGTERM);
    const TProgramExit down = cli.Wait(60s);
    EXPECT_EQ(down.ExitCode, 3) << down.ErrorText;
    EXPECT_NE((down.OutputText + down.ErrorText).find("aborted by user"), std::string::npos)
        << down.OutputText << down.ErrorText;
    ExpectFileKept();
}

// The server keeps sending after the last reply: the transfer is over, and closing the
// connection must not wait for the server to fall silent.
TEST_F(ForeignServerTest, ServerFloodingAfterTheLastReplyDoesNotHoldTheProgram) {
    const auto server = StartHostileServer("confirm-then-flood-at-close");
    const TProgramExit down = RunProgramToExit(
        NORVANE_CLI_EXECUTABLE, NetArgs("download", Dir / "copy.nvf", server->Rfc2217Url()), 90s);
    EXPECT_EQ(down.ExitCode, 0) << down.ErrorText;
    std::string expected;
    for (int cell = 1; cell <= 1899; ++cell) {
        expected += std::to_string(cell) + ",flooded " + std::to_string(cell) + "\r\n";
    }
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), expected);
}

// ---- ser2net refusing ---------------------------------------------------------------------

// A client of ser2net's that holds a port (and with it the line) until destroyed.
class THeldConnection {
  public:
    explicit THeldConnection(int port, const std::string& greeting) {
        Fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        if (Fd_ < 0 || ::connect(Fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::send(Fd_, greeting.data(), greeting.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(greeting.size())) {
            throw SystemError("cannot hold port " + std::to_string(port));
        }
    }
    ~THeldConnection() { ::close(Fd_); }
    THeldConnection(const THeldConnection&) = delete;
    THeldConnection& operator=(const THeldConnection&) = delete;

  private:
    int Fd_ = -1;
};

// Waits for ser2net to have opened the line for the held connection; a hang guard.
void AwaitLineHeld(const TSer2netServer& server) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!server.HoldsLine()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "ser2net never opened the line";
        std::this_thread::sleep_for(1ms);
    }
}

// ser2net's own words, passed on: a second client of a port, a client of the other port
// on the same line, and a line that is not there.
TEST_F(ForeignServerTest, Ser2netRefusalsArePassedOnWithTheAddress) {
    TSimProcess sim(SimArgs({}));
    TSer2netServer server(sim.LinePath());
    const std::string telnetGreeting = "\xff\xfb\x2c";  // IAC WILL COM-PORT-OPTION
    const struct {
        int HeldPort;
        std::string Greeting;
        std::string Url;
        std::string Said;
    } cases[] = {
        {server.Rfc2217Port(), telnetGreeting, server.Rfc2217Url(), "Port already in use"},
        {server.SocketPort(), "", server.Rfc2217Url(), "Port's device already in use"},
        // A raw port has no negotiation: the refusal is a line the server sends at once.
        {server.Rfc2217Port(), telnetGreeting, server.SocketUrl(), "Port's device already in use"},
    };
    for (const auto& refusal : cases) {
        SCOPED_TRACE(refusal.Url + " " + refusal.Said);
        {
            THeldConnection held(refusal.HeldPort, refusal.Greeting);
            AwaitLineHeld(server);
            const TProgramExit down = Run(NetArgs("download", Dir / "copy.nvf", refusal.Url));
            EXPECT_EQ(down.ExitCode, 4);
            EXPECT_NE(down.ErrorText.find("Cannot use " + refusal.Url +
                                          ": the server said: " + refusal.Said + "\n"),
                      std::string::npos)
                << down.ErrorText;
        }
        server.AwaitLineReleased();
    }
    ExpectFileKept();

    TSer2netServer missing(Dir / "no-such-tty");
    for (const std::string& url : {missing.Rfc2217Url(), missing.SocketUrl()}) {
        const TProgramExit down = Run(NetArgs("download", Dir / "copy.nvf", url));
        EXPECT_EQ(down.ExitCode, 4);
        EXPECT_NE(down.ErrorText.find("Cannot use " + url +
                                      ": the server said: Device open failure: Value or file "
                                      "not found\n"),
                  std::string::npos)
            << down.ErrorText;
    }
    ExpectFileKept();
}

}  // namespace
}  // namespace norvane::test
