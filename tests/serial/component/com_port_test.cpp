// The port component over the real driver, with the instrument simulator on a pseudo-terminal
// as the far end.

#include "serial/component/com_port.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "com_port_fixture.h"
#include "serial/dispatch/notification_messages.h"
#include "serial/dispatch/plain_message_target.h"
#include "serial/errors/application_hooks.h"
#include "serial/errors/vexa_leaf_exceptions.h"
#include "serial/linux/posix_dispatcher.h"
#include "serial/ports/port_map.h"
#include "tests/serial/exploding_read_dispatcher.h"

namespace norvane::serial {
namespace {

using norvane::test::ReadFile;

TEST_F(ComPortTest, FirstTriggerOpensThePortAndRepliesArriveAsEvents) {
    EXPECT_EQ(Port.State(), TVexaCustomComPort::TPortState::Closed);
    const std::uint16_t handle = Port.AddPatternTrigger("\n", false);
    EXPECT_NE(handle, 0);
    EXPECT_TRUE(Port.Open());
    EXPECT_EQ(Ask("?B1/7\r\n"), "*7,seven\r");
    EXPECT_EQ(Port.Version(), "v3.03");
}

TEST_F(ComPortTest, OpenFailuresSurfaceAsTheExceptionOfTheCallThatOpened) {
    Port.SetComNumber(kMissingPort);
    EXPECT_THROW(Port.AddPatternTrigger("\n", false), EBadId);
    EXPECT_FALSE(Port.Open());
    EXPECT_EQ(Port.State(), TVexaCustomComPort::TPortState::Closed);

    TVexaComPort holder;
    holder.SetComNumber(kSimPort);
    holder.SetOpen(true);
    Port.SetComNumber(kSimPort);  // a closed port only stores the number
    EXPECT_THROW(Port.SetOpen(true), EAlreadyOpen);
    EXPECT_FALSE(Port.Open());
}

TEST_F(ComPortTest, NoPortNumberAndNoPromptRaisesWithItsText) {
    TVexaComPort unset;
    unset.SetPromptForPort(false);
    try {
        unset.SetOpen(true);
        FAIL() << "opened without a port number";
    } catch (const ENoPortSelected& e) {
        EXPECT_STREQ(e.what(), "The ComNumber property of the TVexaComPort has not been set");
    }
    // With the prompt installed, its answer is the port.
    SetPortPrompt([] { return std::optional<int>(kSimPort); });
    TVexaComPort prompted;
    prompted.SetOpen(true);
    EXPECT_EQ(prompted.ComNumber(), kSimPort);
    prompted.SetOpen(false);
    SetPortPrompt(nullptr);
}

TEST_F(ComPortTest, LineChangesApplyAtOnceWithoutReopening) {
    Port.SetOpen(true);
    TVexaBaseDispatcher* before = Port.Dispatcher();
    Port.SetBaud(38400);
    EXPECT_EQ(Port.Dispatcher(), before);
    EXPECT_EQ(SimLineSettings().c_cflag & CBAUD, tcflag_t{B38400});
}

TEST_F(ComPortTest, SoftwareFlowDirectionsAndCharactersReachTheLine) {
    struct TCase {
        TSWFlowOptions Options;
        bool StopsOurOutput;  // IXON: the far end's XOFF stops what we send
        bool StopsItsOutput;  // IXOFF: we send XOFF when our input fills up
    };
    Port.SetXOnChar('A');
    Port.SetXOffChar('B');
    for (const TCase& c : {TCase{swfNone, false, false}, TCase{swfReceive, false, true},
                           TCase{swfTransmit, true, false}, TCase{swfBoth, true, true}}) {
        SCOPED_TRACE(testing::Message() << "options " << static_cast<int>(c.Options));
        Port.SetSWFlowOptions(c.Options);
        Port.SetOpen(true);
        const termios2 tio = SimLineSettings();
        EXPECT_EQ((tio.c_iflag & IXON) != 0, c.StopsOurOutput);
        EXPECT_EQ((tio.c_iflag & IXOFF) != 0, c.StopsItsOutput);
        EXPECT_EQ(tio.c_cc[VSTART], 'A');
        EXPECT_EQ(tio.c_cc[VSTOP], 'B');
        Port.SetOpen(false);
    }
}

TEST_F(ComPortTest, ATraceDumpReplacesTheFileAndAnAppendAddsToIt) {
    Port.SetTraceName(Dir / "port.trc");
    Port.SetOpen(true);
    const auto traceOf = [this](const std::string& text, TTraceLogState ending) {
        Port.SetTracing(tlOn);
        Port.SendString(text);
        Port.SetTracing(ending);
        return ReadFile(Dir / "port.trc");
    };
    EXPECT_NE(traceOf("first\r\n", tlDump).find("first"), std::string::npos);
    const std::string appended = traceOf("second\r\n", tlAppend);
    EXPECT_NE(appended.find("first"), std::string::npos) << "an append keeps what was there";
    EXPECT_GT(appended.find("second"), appended.find("first"));
    const std::string replaced = traceOf("third\r\n", tlDump);
    EXPECT_EQ(replaced.find("first"), std::string::npos) << "a dump replaces the file";
    EXPECT_NE(replaced.find("third"), std::string::npos);
}

TEST_F(ComPortTest, ChangingThePortKeepsTriggerHandlesAndRestartsTheTrace) {
    TSimProcess other({"--cells", Dir / "table.nvf"});
    PortMap().Assign(kOtherSimPort, other.LinePath());
    Port.SetTraceName(Dir / "port.trc");
    const std::uint16_t handle = Port.AddPatternTrigger("\n", false);
    Port.SetTracing(tlOn);
    EXPECT_EQ(Ask("?B1/1\r\n"), "*1,first\r");

    Port.SetComNumber(kOtherSimPort);
    EXPECT_TRUE(Port.Open());
    EXPECT_EQ(Port.Tracing(), tlOn) << "a new trace runs on the new port";
    EXPECT_NE(ReadFile(Dir / "port.trc").find("Transmit: ?B1/1"), std::string::npos)
        << "the old trace was dumped";
    Seen = 0;
    Port.SetOnTriggerData([this](TVexaCustomComPort&, std::uint16_t h) { Seen = h; });
    Port.SetOnTriggerAvail([](TVexaCustomComPort& cp, std::uint16_t count) {
        while (count-- > 0)
            cp.ReceiveChar();
    });
    Port.SendString("?B1/7\r\n");
    EXPECT_TRUE(PumpUntil([&] { return Seen != 0; }));
    EXPECT_EQ(Seen, handle);
}

TEST_F(ComPortTest, CloseInsideAHandlerCompletesLaterAndAReopenRequestWaitsForIt) {
    Port.AddPatternTrigger("\n", false);
    ClosedInHandler = false;
    Port.SetOnTriggerData([&](TVexaCustomComPort& cp, std::uint16_t) {
        cp.SetOpen(false);
        ClosedInHandler = cp.State() == TVexaCustomComPort::TPortState::Closing;
        EXPECT_EQ(cp.AddPatternTrigger("x", false), 0) << "no effect while closing";
        EXPECT_EQ(cp.ReceiveChar(), 0);
        cp.SetOpen(true);  // remembered until the close has completed
        EXPECT_EQ(cp.State(), TVexaCustomComPort::TPortState::Closing);
    });
    Port.SendString("?B1/1\r\n");
    ASSERT_TRUE(PumpUntil([&] { return ClosedInHandler; }));
    ASSERT_TRUE(PumpUntil([&] { return Port.State() == TVexaCustomComPort::TPortState::Open; }));
    EXPECT_TRUE(Port.Open());
    EXPECT_EQ(Ask("?B1/7\r\n"), "*7,seven\r") << "the reopened port works, its trigger kept";
}

TEST_F(ComPortTest, DestroyingAClosingPortWithAReopenPendingNeverOpensIt) {
    auto port = std::make_unique<TVexaComPort>();
    port->SetComNumber(kSimPort);
    port->AddPatternTrigger("\n", false);
    int opened = 0;
    port->SetOnPortOpened([&](TVexaCustomComPort&) { ++opened; });
    ClosedInHandler = false;
    port->SetOnTriggerData([&](TVexaCustomComPort& cp, std::uint16_t) {
        cp.SetOpen(false);
        cp.SetOpen(true);  // a reopen waits for the close to complete
        ClosedInHandler = true;
    });
    port->SendString("?B1/1\r\n");
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!ClosedInHandler && std::chrono::steady_clock::now() < deadline) {
        dynamic_cast<TPlainMessageTarget*>(port->NotifyWindow())->WaitAndDeliver(50ms);
    }
    ASSERT_EQ(port->State(), TVexaCustomComPort::TPortState::Closing);
    port.reset();
    EXPECT_EQ(opened, 0);
    Port.SetOpen(true);  // the line is free again
    EXPECT_TRUE(Port.Open());
}

TEST_F(ComPortTest, PortOperationFailuresRaiseTheirClasses) {
    Port.SetOutSize(16);
    Port.SetOpen(true);
    EXPECT_EQ(Port.AddPatternTrigger(std::string(21, 'a'), false) % 8, 0);
    EXPECT_THROW(Port.AddPatternTrigger(std::string(22, 'a'), false), ETriggerTooLong);
    EXPECT_THROW(Port.ReceiveChar(), EBufferIsEmpty);
    EXPECT_THROW(Port.SendString(std::string(17, 'x')), EOutputBufferTooSmall);
    Port.SendString("");  // nothing to send is not a failure

    Port.SetOpen(false);
    Port.SetAutoOpen(false);
    EXPECT_THROW(Port.SendString("?B1/1\r\n"), ECommNotOpen);
}

TEST_F(ComPortTest, SettingsAreCappedAndFlowThresholdsFollowTheInputQueue) {
    Port.SetTraceSize(5'000'000);
    EXPECT_EQ(Port.TraceSize(), 4'000'000u);
    Port.SetLogSize(20'000'000);
    EXPECT_EQ(Port.LogSize(), 16'000'000u);
    Port.SetTracing(tlDump);
    EXPECT_EQ(Port.Tracing(), tlOff) << "a closed port stores only off and on";

    Port.SetHWFlowOptions({hwfRequireCTS});
    EXPECT_EQ(Port.BufferFull(), 3686);
    EXPECT_EQ(Port.BufferResume(), 410);
    Port.SetRS485Mode(true);
    EXPECT_TRUE(Port.HWFlowOptions().Empty());
    EXPECT_FALSE(Port.RTS());

    TVexaComPort software;
    software.SetSWFlowOptions(swfBoth);
    EXPECT_EQ(software.BufferFull(), 3072);
    EXPECT_EQ(software.BufferResume(), 1024);

    TVexaComPort large;
    large.SetBufferFull(5000);
    EXPECT_EQ(large.BufferFull(), 4500);
    large.SetInSize(45000);
    large.SetBufferFull(0);
    large.SetBufferResume(0);
    large.SetHWFlowOptions({hwfUseRTS});
    EXPECT_EQ(large.BufferFull(), 40500);
    EXPECT_EQ(large.BufferResume(), 4500);
}

TEST_F(ComPortTest, StatusNotificationsRaiseTheirEventsInOrder) {
    Port.SetOpen(true);
    Events.clear();
    Port.SetOnTrigger([&](TVexaCustomComPort&, std::uint16_t msg, std::uint16_t, std::uint16_t) {
        Events.push_back("trigger " + std::to_string(msg));
    });
    Port.SetOnTriggerStatus(
        [&](TVexaCustomComPort&, std::uint16_t) { Events.push_back("status"); });
    Port.SetOnTriggerLineError(
        [&](TVexaCustomComPort&, std::uint16_t, bool) { Events.push_back("line error"); });
    const std::int32_t second = NotificationSecond(Port.Dispatcher()->RegistryIndex(), 0);
    Port.NotifyWindow()->Send(TMessage{MsgTriggerStatus, 8 | 2, second}, 1s);
    EXPECT_EQ(Events, (std::vector<std::string>{"trigger " + std::to_string(MsgTriggerStatus),
                                                "status", "line error"}));
}

TEST_F(ComPortTest, AFailingHandlerIsReportedAndThePortKeepsWorking) {
    Port.AddPatternTrigger("\n", false);
    Lines = 0;
    Port.SetOnTriggerAvail([](TVexaCustomComPort& cp, std::uint16_t count) {
        while (count-- > 0)
            cp.ReceiveChar();
    });
    Port.SetOnTriggerData([&](TVexaCustomComPort&, std::uint16_t) {
        if (++Lines == 1)
            throw std::runtime_error("handler failed");
    });
    Port.SendString("?B1/1\r\n");
    ASSERT_TRUE(PumpUntil([&] { return Lines == 1; }));
    EXPECT_EQ(Reported, std::vector<std::string>{"handler failed"});
    Port.SendString("?B1/7\r\n");
    EXPECT_TRUE(PumpUntil([&] { return Lines == 2; }));
    EXPECT_TRUE(Port.Open());
}

TEST_F(ComPortTest, CopiedSettingsOpenWithTheSourcesTriggers) {
    const std::uint16_t handle = Port.AddPatternTrigger("\n", false);
    TVexaComPort copy;
    Port.SetOpen(false);
    copy.CopySettingsFrom(Port);
    EXPECT_EQ(copy.ComNumber(), kSimPort);
    EXPECT_EQ(copy.Baud(), 9600);
    EXPECT_FALSE(copy.Open());
    Port.SetOpen(true);
    TVexaComPort fromOpen;
    fromOpen.CopySettingsFrom(Port);
    Port.SetOpen(false);
    Seen = 0;
    fromOpen.SetOnTriggerAvail([](TVexaCustomComPort& cp, std::uint16_t count) {
        while (count-- > 0)
            cp.ReceiveChar();
    });
    fromOpen.SetOnTriggerData([this](TVexaCustomComPort&, std::uint16_t h) { Seen = h; });
    fromOpen.SendString("?B1/1\r\n");
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (Seen == 0 && std::chrono::steady_clock::now() < deadline) {
        dynamic_cast<TPlainMessageTarget*>(fromOpen.NotifyWindow())->WaitAndDeliver(50ms);
    }
    EXPECT_EQ(Seen, handle);
}

// A pseudo-terminal stands in for each adapter, reached through a fake /dev with udev's
// by-id links, as a USB adapter is.
TEST_F(ComPortTest, ALostDeviceReopensOnlyAsTheSameAdapterAndKeepsItsTriggers) {
    namespace fs = std::filesystem;
    fs::create_directories(Dir / "dev/serial/by-id");
    const auto plug = [&](const std::string& adapter, const std::string& kernelName,
                          const std::string& pty) {
        fs::create_symlink(pty, Dir / ("dev/" + kernelName));
        fs::create_symlink("../../" + kernelName, Dir / ("dev/serial/by-id/" + adapter));
    };
    const auto unplug = [&](const std::string& adapter, const std::string& kernelName) {
        fs::remove(Dir / ("dev/" + kernelName));
        fs::remove(Dir / ("dev/serial/by-id/" + adapter));
    };
    TPortMap map(Dir / "dev", Dir / "tty", Dir / "consoles");
    Port.UsePortMap(map);
    auto adapterA =
        std::make_unique<TSimProcess>(std::vector<std::string>{"--cells", Dir / "table.nvf"});
    plug("usb-A", "ttyUSB0", adapterA->LinePath());
    Port.SetComNumber(1);
    const std::uint16_t handle = Port.AddPatternTrigger("\n", false);
    EXPECT_EQ(Ask("?B1/1\r\n"), "*1,first\r");
    EXPECT_EQ(Port.BoundDevice(), Dir / "dev/serial/by-id/usb-A");

    adapterA.reset();  // the adapter is pulled out
    unplug("usb-A", "ttyUSB0");
    ASSERT_TRUE(PumpUntil([&] { return Port.State() == TVexaCustomComPort::TPortState::Closed; }));
    EXPECT_FALSE(Port.Open());
    EXPECT_THROW(Port.SendString("?B1/7\r\n"), EBadId) << "absent: no device to open";

    TSimProcess adapterB({"--cells", Dir / "table.nvf"});
    plug("usb-B", "ttyUSB0", adapterB.LinePath());
    try {
        Port.SendString("?B1/7\r\n");
        ADD_FAILURE() << "opened another adapter";
    } catch (const EOpenComm& refused) {
        EXPECT_NE(std::string(refused.what()).find(Dir / "dev/ttyUSB0"), std::string::npos);
        EXPECT_NE(std::string(refused.what()).find(Dir / "dev/serial/by-id/usb-A"),
                  std::string::npos);
    }
    EXPECT_FALSE(Port.Open());

    unplug("usb-B", "ttyUSB0");
    plug("usb-A", "ttyUSB1", Sim.LinePath());  // back, under another kernel name
    ExpectReopensWithTrigger(Port, handle);
    Port.SetOpen(false);
}

// A port whose first dispatcher has a read that blows up, as a bug below it would.
class TFirstReadFailsPort final : public TVexaComPort {
  protected:
    std::unique_ptr<TVexaBaseDispatcher> CreateDispatcher() override {
        if (Created_++ > 0) {
            return TVexaComPort::CreateDispatcher();
        }
        return std::make_unique<TExplodingReadDispatcher>(this);
    }

  private:
    int Created_ = 0;
};

TEST_F(ComPortTest, AWorkerThreadEndedByAnExceptionIsReportedAndThePortOpensAgain) {
    TFirstReadFailsPort port;
    port.SetComNumber(kSimPort);
    port.SetBaud(9600);
    const std::uint16_t handle = port.AddPatternTrigger("\n", false);
    port.SendString("?B1/1\r\n");
    ASSERT_TRUE(PumpUntil(port, [&] { return !Reported.empty(); }));
    EXPECT_EQ(Reported,
              std::vector<std::string>{"The serial port's dispatch thread failed: read exploded"});
    EXPECT_EQ(port.State(), TVexaCustomComPort::TPortState::Closed) << "not a deaf open port";
    ExpectReopensWithTrigger(port, handle);
    EXPECT_EQ(Reported.size(), 1u);
}

TEST_F(ComPortTest, PortUsersHearOfOpeningAndClosingLastAddedFirst) {
    for (const char* name : {"first", "second"}) {
        Port.AddPortUser(
            TVexaCustomComPort::TPortUserCallback([this, name](TVexaCustomComPort&, bool opened) {
                Events.push_back(std::string(name) + (opened ? " opened" : " closing"));
            }));
    }
    Port.SetOnPortOpened([this](TVexaCustomComPort&) { Events.push_back("OnPortOpened"); });
    Port.SetOnPortClosing([this](TVexaCustomComPort&) { Events.push_back("OnPortClosing"); });
    Port.SetOpen(true);
    Port.SetOpen(false);
    EXPECT_EQ(Events,
              (std::vector<std::string>{"second opened", "first opened", "OnPortOpened",
                                        "second closing", "first closing", "OnPortClosing"}));
}

}  // namespace
}  // namespace norvane::serial
