#pragma once
// A port component on the simulator's pseudo-terminal, and the helpers its tests share:
// delivering notifications, asking a question, reading the line's settings back.

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "serial/component/com_port.h"
#include "serial/dispatch/plain_message_target.h"
#include "serial/errors/application_hooks.h"
#include "serial/ports/port_map.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::serial {

using namespace std::chrono_literals;
using norvane::test::TSimProcess;
using norvane::test::TTempDir;

constexpr std::uint16_t kSimPort = 3;
constexpr std::uint16_t kOtherSimPort = 4;
constexpr std::uint16_t kMissingPort = 5;

class ComPortTest : public ::testing::Test {
  protected:
    ComPortTest() {
        PortMap().Assign(kSimPort, Sim.LinePath());
        PortMap().Assign(kMissingPort, (Dir / "no-such-device").c_str());
        SetExceptionReport([this](const std::exception& e) { Reported.push_back(e.what()); });
        Port.SetComNumber(kSimPort);
        Port.SetBaud(9600);
    }
    ~ComPortTest() override {
        SetExceptionReport(nullptr);
        PortMap().ClearAssignments();
    }

    // Delivers the port's notifications until `done` holds; the limit only guards a hang.
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
        return PumpUntil(Port, done, limit);
    }
    static bool PumpUntil(TVexaCustomComPort& port, const std::function<bool()>& done,
                          std::chrono::milliseconds limit = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            if (auto* window = dynamic_cast<TPlainMessageTarget*>(port.NotifyWindow())) {
                window->WaitAndDeliver(50ms);
            }
        }
        return true;
    }

    // The next use of a closed port opens it again, and a reply raises the trigger that was
    // added before the close.
    void ExpectReopensWithTrigger(TVexaCustomComPort& port, std::uint16_t handle) {
        Seen = 0;
        port.SetOnTriggerAvail([](TVexaCustomComPort& cp, std::uint16_t count) {
            while (count-- > 0)
                cp.ReceiveChar();
        });
        port.SetOnTriggerData([this](TVexaCustomComPort&, std::uint16_t h) { Seen = h; });
        port.SendString("?B1/7\r\n");
        EXPECT_TRUE(port.Open());
        EXPECT_TRUE(PumpUntil(port, [&] { return Seen != 0; }));
        EXPECT_EQ(Seen, handle);
    }

    // Sends a query and collects the reply line (without its line feed) through the
    // Events. The handlers stay installed: the line feed's own notification comes after the
    // data event, when Ask has already returned.
    std::string Ask(const std::string& command) {
        Reply.clear();
        ReplyEnded = false;
        Port.SetOnTriggerAvail([this](TVexaCustomComPort& cp, std::uint16_t count) {
            for (std::uint16_t i = 0; i < count; ++i) {
                const char c = cp.ReceiveChar();
                if (c != '\n')
                    Reply += c;
            }
        });
        Port.SetOnTriggerData([this](TVexaCustomComPort&, std::uint16_t) { ReplyEnded = true; });
        Port.SendString(command);
        PumpUntil([this] { return ReplyEnded; });
        return Reply;
    }

    // The settings of the simulator's line as the kernel has them.
    termios2 SimLineSettings() const {
        termios2 tio{};
        const int fd = ::open(Sim.LinePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ioctl(fd, TCGETS2, &tio), 0);
        ::close(fd);
        return tio;
    }

    TTempDir Dir;
    TSimProcess Sim{{"--cells", WriteTable()}};
    TVexaComPort Port;
    std::vector<std::string> Reported;
    // What the handlers saw; members, because notifications can still arrive while the
    // port closes after the test body has ended.
    std::string Reply;
    bool ReplyEnded = false;
    std::uint16_t Seen = 0;
    int Lines = 0;
    bool ClosedInHandler = false;
    std::vector<std::string> Events;

  private:
    std::string WriteTable() {
        norvane::test::WriteFile(Dir / "table.nvf", "1,first\r\n7,seven\r\n");
        return Dir / "table.nvf";
    }
};

}  // namespace norvane::serial
