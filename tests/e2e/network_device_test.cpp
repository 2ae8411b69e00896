// norvane-cli on an instrument behind a serial device server: Debian's ser2net serving the
// simulator's pseudo-terminal over RFC 2217 and raw TCP on localhost.

#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "tests/e2e/cli_drill.h"
#include "tests/e2e/ser2net_server.h"

namespace norvane::test {
namespace {

using namespace std::chrono_literals;

std::string LineWith(const std::string& text, const std::string& part) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(part) != std::string::npos) {
            return line;
        }
    }
    return {};
}

class NetworkDeviceTest : public TCliDrill {
  protected:
    Args NetArgs(const std::string& command, const std::string& file, const std::string& url,
                 Args extra = {}) {
        WriteFile(Dir / "empty.ini", "");
        Args args{command, file, "--device", url, "--settings", Dir / "empty.ini"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
};

TEST_F(NetworkDeviceTest, BothKindsDownloadTheTableByteForByteAndRoundTripAnUpload) {
    TSimProcess sim(SimArgs({}));
    TSer2netServer server(sim.LinePath());
    WriteFile(Dir / "up.nvf", kCellSevenWith255);
    const std::string expected = WithCellSevenWith255(ReadFile(Dir / "table.nvf"));
    for (const std::string& url : {server.Rfc2217Url(), server.SocketUrl()}) {
        SCOPED_TRACE(url);
        const TProgramExit up = Run(NetArgs("upload", Dir / "up.nvf", url));
        EXPECT_EQ(up.ExitCode, 0) << up.ErrorText;
        server.AwaitLineReleased();
        const TProgramExit down = Run(NetArgs("download", Dir / "copy.nvf", url));
        server.AwaitLineReleased();
        EXPECT_EQ(down.ExitCode, 0) << down.ErrorText;
        EXPECT_EQ(down.OutputText, "Download to " + (Dir / "copy.nvf") + " complete.\n");
        EXPECT_EQ(ReadFile(Dir / "copy.nvf"), expected);
    }
}

// ser2net applies what the client asks to the tty it serves. (A pseudo-terminal keeps no
// parity or data size, so the baud rate is what can be read back.)
TEST_F(NetworkDeviceTest, LineSettingsReachTheDeviceBehindTheServer) {
    TSimProcess sim(SimArgs({}));
    TSer2netServer server(sim.LinePath());
    TChildProcess cli(NORVANE_CLI_EXECUTABLE, NetArgs("download", Dir / "copy.nvf",
                                                      server.Rfc2217Url(), {"--baud", "19200"}));
    AwaitJournalLines(3);
    const int line = ::open(sim.LinePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(line, 0);
    termios2 settings{};
    ASSERT_EQ(::ioctl(line, TCGETS2, &settings), 0);
    ::close(line);
    cli.Signal(SIGTERM);
    cli.Wait();
    EXPECT_EQ(settings.c_ospeed, 19200u);
}

TEST_F(NetworkDeviceTest, ServerKilledMidDownloadIsALossAndTheNextUseReconnects) {
    WriteFile(Dir / "copy.nvf", "kept\r\n");
    TSimProcess sim(SimArgs({}));
    TSer2netServer server(sim.LinePath());
    TChildProcess cli(NORVANE_CLI_EXECUTABLE,
                      NetArgs("download", Dir / "copy.nvf", server.Rfc2217Url()));
    AwaitJournalLines(100);
    server.Kill();
    const TProgramExit lost = cli.Wait(30s);
    EXPECT_EQ(lost.ExitCode, 2) << lost.ErrorText;
    EXPECT_EQ(lost.OutputText, "Download failed - no connection!\n");
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), "kept\r\n");
    EXPECT_EQ(Dir.Entries(), (Names{"copy.nvf", "empty.ini", "journal", "table.nvf"}));

    // The server may have died between the instrument's reply and its forwarding; a server
    // started anew would hand that reply to the next client as the answer to its first line.
    const int line = ::open(sim.LinePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(line, 0);
    EXPECT_EQ(::ioctl(line, TCFLSH, TCIFLUSH), 0);
    ::close(line);
    server.Restart();
    WriteFile(Dir / "one.nvf", "5,five\r\n");
    const TProgramExit again = Run(NetArgs("upload", Dir / "one.nvf", server.Rfc2217Url()));
    EXPECT_EQ(again.ExitCode, 0) << again.ErrorText;
}

// A port number mapped to a network device in Norvane.ini, as the desktop program uses it.
TEST_F(NetworkDeviceTest, RefusedConnectionNamesTheAddressAndPortsTellsTheStates) {
    TSimProcess sim(SimArgs({}));
    TSer2netServer server(sim.LinePath());
    const std::string refused = "socket://127.0.0.1:" + std::to_string(FreeLocalPort());
    WriteFile(Dir / "Norvane.ini",
              "[PortDevices]\n3=" + server.Rfc2217Url() + "\n4=" + refused + "\n");
    const Args settings{"--settings", Dir / "Norvane.ini"};

    const TProgramExit failed =
        Run({"download", Dir / "copy.nvf", "--port", "4", settings[0], settings[1]});
    EXPECT_EQ(failed.ExitCode, 4);
    EXPECT_EQ(failed.ErrorText,
              "Cannot connect to " + refused + ": Connection refused\nport 4: " + refused + "\n");
    EXPECT_EQ(JournalLines(), 0u);

    const TProgramExit ports = Run({"ports", settings[0], settings[1]});
    EXPECT_TRUE(LineWith(ports.OutputText, server.Rfc2217Url()).ends_with("  reachable"))
        << ports.OutputText;
    EXPECT_TRUE(LineWith(ports.OutputText, refused).ends_with("  refused")) << ports.OutputText;
    server.AwaitLineReleased();  // the probe's connection opened it

    WriteFile(Dir / "one.nvf", "5,five\r\n");
    const TProgramExit up =
        Run({"upload", Dir / "one.nvf", "--port", "3", settings[0], settings[1]});
    EXPECT_EQ(up.ExitCode, 0) << up.ErrorText;
    EXPECT_NE(ReadFile(Dir / "journal").find("=5,five\n"), std::string::npos);
}

}  // namespace
}  // namespace norvane::test
