// The serial driver on real pseudo-terminals: opening, line settings, transfers, flushing.
#include "serial/linux/posix_dispatcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <random>
#include <thread>

#include "serial/dispatch/notification_messages.h"
#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/linux/posix_serial_device.h"
#include "serial/trace/trace_log_recorder.h"
#include "tests/serial/linux/driver_test_support.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::serial {
namespace {

using testing::CloseAndSettle;
using testing::kHangGuard;
using testing::OpenPlain;
using testing::TPtyController;
using testing::TReceiver;
using Flow = TVexaBaseDispatcher::TFlowSettings;
using DeviceLine = TVexaBaseDispatcher::TDeviceLine;

// Polls a condition that another thread makes true; the guard only ends a hung test.
bool Eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(PosixDispatcherTest, OpensConfiguresAndClosesRestoringTheLine) {
    TPtyController pty;
    const termios2 before = pty.LineSettings();
    {
        TVexaPosixDispatcher dispatcher(nullptr);
        ASSERT_EQ(OpenPlain(dispatcher, pty.Path()), 0);
        EXPECT_TRUE(dispatcher.ThreadsStarted());
        EXPECT_EQ(dispatcher.ActiveThreadCount(), 3);
        EXPECT_EQ(pty.LineSettings().c_cflag & CBAUD, tcflag_t{B9600}) << "seen from the far end";

        DeviceLine line;
        ASSERT_EQ(dispatcher.QueryLine(line), 0);
        EXPECT_EQ(line.Baud, 9600u);
        EXPECT_EQ(line.StopBits, 1);

        ASSERT_EQ(dispatcher.ConfigureLine(38400, 5, 9, 3), 0);
        EXPECT_EQ(pty.LineSettings().c_cflag & CBAUD, tcflag_t{B38400});
        ASSERT_EQ(dispatcher.ConfigureLine(31250, 5, 9, 3), 0) << "a rate without a Bnnn code";
        EXPECT_EQ(pty.LineSettings().c_cflag & CBAUD, tcflag_t{BOTHER});
        EXPECT_EQ(pty.LineSettings().c_ospeed, 31250u);
        ASSERT_EQ(dispatcher.QueryLine(line), 0);
        EXPECT_EQ(line.Baud, 31250u);

        EXPECT_EQ(dispatcher.CloseComPort(), 0);
        EXPECT_FALSE(dispatcher.ThreadsStarted());
        EXPECT_EQ(dispatcher.ActiveThreadCount(), 0);
    }
    EXPECT_EQ(pty.LineSettings().c_cflag & CBAUD, before.c_cflag & CBAUD);
    EXPECT_EQ(pty.LineSettings().c_lflag, before.c_lflag) << "the original settings are back";
    TPosixSerialDevice other;
    EXPECT_EQ(other.Open(pty.Path()), 0) << "closing released the lock";
}

TEST(PosixDispatcherTest, OpeningWithTheSettingsTheLineHasAlreadyMakesItRaw) {
    TPtyController pty;
    termios2 cooked = pty.LineSettings();  // a serial port as the kernel leaves it: 9600 8N1
    cooked.c_cflag = (cooked.c_cflag & ~(CBAUD | CSIZE | PARENB | CSTOPB)) | B9600 | CS8;
    cooked.c_ispeed = cooked.c_ospeed = 9600;
    cooked.c_lflag |= ECHO | ICANON | ISIG | IEXTEN;
    cooked.c_iflag |= ICRNL | IXON;
    cooked.c_oflag |= OPOST;
    ASSERT_EQ(::ioctl(pty.Fd(), TCSETS2, &cooked), 0);

    TVexaPosixDispatcher dispatcher(nullptr);
    ASSERT_EQ(OpenPlain(dispatcher, pty.Path()), 0);
    const termios2 line = pty.LineSettings();
    EXPECT_EQ(line.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u) << "no echo, no line editing";
    EXPECT_EQ(line.c_iflag & ICRNL, 0u) << "a CR arrives as a CR";
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u) << "XON and XOFF are data until flow is asked";
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    dispatcher.CloseComPort();
}

TEST(PosixDispatcherTest, CodedRatesAndRejectedSettings) {
    TPtyController pty;
    TVexaPosixDispatcher dispatcher(nullptr);
    ASSERT_EQ(OpenPlain(dispatcher, pty.Path()), 0);
    ASSERT_EQ(dispatcher.ConfigureLine(0xFF18, 5, 9, 3), 0);
    EXPECT_EQ(pty.LineSettings().c_cflag & CBAUD, tcflag_t{B19200});
    DeviceLine line;
    ASSERT_EQ(dispatcher.QueryLine(line), 0);
    EXPECT_EQ(line.Baud, 19200u);

    EXPECT_EQ(dispatcher.ConfigureLine(0, 6, 9, 3), -ecBadArgument);
    EXPECT_EQ(dispatcher.ConfigureLine(0, 5, 4, 3), -ecByteSize);
    EXPECT_EQ(dispatcher.ConfigureLine(0, 5, 10, 3), -ecByteSize);
    EXPECT_EQ(pty.LineSettings().c_cflag & CBAUD, tcflag_t{B19200}) << "nothing changed";
}

// The drain wait uses the rate in force before the change, and an unchanged line skips it.
TEST(PosixDispatcherTest, ConfigureLineWaitsForTheDrainOnlyWhenSomethingChanges) {
    TPtyController pty;
    TVexaPosixDispatcher dispatcher(nullptr);
    std::vector<std::chrono::milliseconds> sleeps;
    dispatcher.SetSleepFunction([&](std::chrono::milliseconds d) { sleeps.push_back(d); });
    ASSERT_EQ(OpenPlain(dispatcher, pty.Path()), 0);
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], std::chrono::milliseconds(2)) << "the open drains at 115200";

    sleeps.clear();
    EXPECT_EQ(dispatcher.ConfigureLine(9600, pcNone, 8, 1), 0);
    EXPECT_EQ(dispatcher.ConfigureLine(0, 5, 9, 3), 0);
    EXPECT_TRUE(sleeps.empty()) << "the same settings again: no wait";

    EXPECT_EQ(dispatcher.ConfigureLine(19200, 5, 9, 3), 0);
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], std::chrono::milliseconds(19)) << "18 characters at 9600 8N1";
    dispatcher.CloseComPort();
}

TEST(PosixDispatcherTest, FlowControlLimitsAndWhatIsReportedBack) {
    TPtyController pty;
    TVexaPosixDispatcher dispatcher(nullptr);
    ASSERT_EQ(OpenPlain(dispatcher, pty.Path()), 0);
    Flow before;
    ASSERT_EQ(dispatcher.QueryFlow(before), 0);

    using D = TVexaBaseDispatcher;
    EXPECT_EQ(dispatcher.ConfigureHardwareFlow(100, 200, D::kFlowRequireCts), -ecBadArgument);
    EXPECT_EQ(dispatcher.ConfigureHardwareFlow(5000, 200, D::kFlowRequireCts), -ecBadArgument)
        << "above the input queue size";
    EXPECT_EQ(dispatcher.ConfigureSoftwareFlow(10, 20, D::kFlowXonXoffIn), -ecBadArgument);
    Flow unchanged;
    ASSERT_EQ(dispatcher.QueryFlow(unchanged), 0);
    EXPECT_EQ(unchanged.Hardware, before.Hardware);
    EXPECT_EQ(unchanged.Software, before.Software);

    // DSR flow and DTR handshake are not enforced by Linux, but reported as set.
    ASSERT_EQ(dispatcher.ConfigureHardwareFlow(3000, 400, D::kFlowUseDtr | D::kFlowRequireDsr), 0);
    Flow hardware;
    ASSERT_EQ(dispatcher.QueryFlow(hardware), 0);
    EXPECT_EQ(hardware.Hardware, D::kFlowUseDtr | D::kFlowRequireDsr);
    EXPECT_EQ(dispatcher.SetDtrLine(false), 1) << "DTR belongs to flow control now";
    EXPECT_EQ(dispatcher.SetRtsLine(false), 0);

    ASSERT_EQ(dispatcher.ConfigureSoftwareFlow(3000, 400, D::kFlowXonXoffIn | D::kFlowXonXoffOut),
              0);
    ASSERT_EQ(dispatcher.SetFlowChars('Q', 'S'), 0);
    Flow software;
    ASSERT_EQ(dispatcher.QueryFlow(software), 0);
    EXPECT_EQ(software.Software, D::kFlowXonXoffIn | D::kFlowXonXoffOut);
    EXPECT_EQ(software.XonChar, 'Q');
    EXPECT_EQ(software.XoffChar, 'S');
    EXPECT_EQ(software.Hardware, hardware.Hardware) << "software flow keeps the hardware options";

    ASSERT_EQ(dispatcher.DisableFlow(), 0);
    Flow off;
    ASSERT_EQ(dispatcher.QueryFlow(off), 0);
    EXPECT_EQ(off.Software, 0u);
    dispatcher.CloseComPort();
}

// The two flushes discard their own direction only: received bytes the kernel still holds,
// and bytes waiting in the output ring.
TEST(PosixDispatcherTest, EachFlushDiscardsItsOwnDirection) {
    TPtyController pty;
    TVexaPosixDispatcher dispatcher(nullptr);  // the device without threads, as a probe has it
    ASSERT_GE(dispatcher.OpenComHandle(pty.Path(), 4096, 4096), 0);
    ASSERT_EQ(dispatcher.ConfigureLine(19200, pcNone, 8, 1), 0);  // raw: bytes, not lines
    const auto inQueue = [&] { return dispatcher.ReadLineStatus().InQueue; };
    pty.Send("from the far end");
    ASSERT_TRUE(Eventually([&] { return inQueue() == 16; }));
    const std::string out = "to the far end";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(out.data());
    ASSERT_EQ(dispatcher.QueueOutput(bytes, 14), 0);

    EXPECT_EQ(dispatcher.FlushOutput(), 0);
    EXPECT_EQ(dispatcher.OutputPending(), 0u);
    EXPECT_EQ(inQueue(), 16u) << "an output flush keeps what was received";

    ASSERT_EQ(dispatcher.QueueOutput(bytes, 14), 0);
    EXPECT_EQ(dispatcher.FlushInput(), 0);
    EXPECT_EQ(inQueue(), 0u);
    EXPECT_EQ(dispatcher.OutputPending(), 14u) << "an input flush keeps what is to be sent";
    EXPECT_EQ(dispatcher.CloseComHandle(), 0);
}

// Sending from one thread while replies stream in, with trace and log on, and a third
// thread attaching and detaching the recorder meanwhile (as ports opening and going away
// do): the recorder is reached from the dispatch, receiving, sending and attaching threads
// at once. Meant for the thread sanitizer: every use of the recorder must hold the lock that
// guards it.
TEST(PosixDispatcherTest, FullDuplexWithTraceAndLogOn) {
    test::TSimProcess sim({"--random-replies", "7", "--fragment-bytes", "5"});
    TVexaPosixDispatcher dispatcher(nullptr);
    TTraceLogRecorder recorder;
    ASSERT_EQ(recorder.StartTrace(100000), 0);
    ASSERT_EQ(recorder.StartLog(1000000), 0);
    dispatcher.AttachRecorder(&recorder);
    TReceiver receiver(dispatcher);
    ASSERT_EQ(OpenPlain(dispatcher, sim.LinePath(), 256), 0);
    receiver.Attach();

    constexpr int kCommands = 120;
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        for (int cell = 1; cell <= kCommands && !stop.load(); ++cell) {
            const std::string command = "?B1/" + std::to_string(cell) + "\r\n";
            while (!stop.load() &&
                   dispatcher.QueueOutput(reinterpret_cast<const std::uint8_t*>(command.data()),
                                          static_cast<std::uint32_t>(command.size())) != 0) {
                std::this_thread::yield();  // the ring is full: the line is slower than us
            }
        }
    });
    std::thread attacher([&] {
        while (!stop.load()) {
            dispatcher.AttachRecorder(nullptr);
            std::this_thread::yield();
            dispatcher.AttachRecorder(&recorder);
            std::this_thread::yield();
        }
    });
    const bool all =
        receiver.WaitUntil([&] { return receiver.Count(MsgTriggerData) >= kCommands; });
    stop.store(true);
    sender.join();
    attacher.join();
    EXPECT_TRUE(all) << receiver.Count(MsgTriggerData) << " replies";
    // The attacher ends attached. A dispatch cycle may well have read every reply at once
    // while it was detached, so one more exchange makes sure a read happens with it on.
    const std::string last = "?B1/1\r\n";
    ASSERT_EQ(dispatcher.QueueOutput(reinterpret_cast<const std::uint8_t*>(last.data()),
                                     static_cast<std::uint32_t>(last.size())),
              0);
    EXPECT_TRUE(receiver.WaitUntil([&] { return receiver.Count(MsgTriggerData) > kCommands; }));
    EXPECT_TRUE(CloseAndSettle(dispatcher, receiver));

    bool wrote = false;
    bool read = false;
    while (const std::optional<TLogEntry> entry = recorder.ReadOldestLogEntry()) {
        wrote = wrote || entry->Header.Subtype == lsWriteCom;
        read = read || entry->Header.Subtype == lsReadCom;
    }
    EXPECT_TRUE(wrote && read) << "both directions were logged";
}

TEST(PosixDispatcherTest, OpenFailuresAreMappedAndLeaveNothingBehind) {
    TVexaPosixDispatcher missing(nullptr);
    EXPECT_EQ(OpenPlain(missing, "/dev/no-such-serial-device"), -ecFileNotFound);
    EXPECT_FALSE(missing.ThreadsStarted());

    TPtyController pty;
    TVexaPosixDispatcher first(nullptr);
    ASSERT_EQ(OpenPlain(first, pty.Path()), 0);
    TVexaPosixDispatcher second(nullptr);
    EXPECT_EQ(OpenPlain(second, pty.Path()), -ecAccessDenied) << "held by another opener";
    EXPECT_FALSE(second.ThreadsStarted());
    EXPECT_EQ(OpenPlain(first, pty.Path()), -ecAlreadyOpen);
    EXPECT_TRUE(first.ThreadsStarted()) << "a refused second open leaves the first alone";

    TReceiver receiver(first);
    receiver.Attach();
    pty.Send("still here\n");
    EXPECT_TRUE(receiver.WaitForReceived(11));
    EXPECT_TRUE(CloseAndSettle(first, receiver));
}

TEST(PosixDispatcherTest, NoPermissionIsReportedAsSuch) {
    if (!test::PermissionsBind()) {
        GTEST_SKIP() << "root may open any device";
    }
    TPtyController pty;
    ASSERT_EQ(::chmod(pty.Path().c_str(), 0), 0);
    TVexaPosixDispatcher dispatcher(nullptr);
    const std::int32_t result = OpenPlain(dispatcher, pty.Path());
    EXPECT_TRUE(IsPermissionDenied(result)) << result;
}

TEST(PosixDispatcherTest, StartingTwiceIsRefused) {
    TPtyController pty;
    TVexaPosixDispatcher dispatcher(nullptr);
    ASSERT_EQ(OpenPlain(dispatcher, pty.Path()), 0);
    try {
        dispatcher.StartThreads();
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Dispatcher already started");
    }
    EXPECT_EQ(dispatcher.ActiveThreadCount(), 3);
    dispatcher.CloseComPort();
}

TEST(PosixDispatcherTest, LinesTravelBothWaysThroughTheSimulator) {
    test::TTempDir dir;
    const std::string journal = dir / "journal";
    test::TSimProcess sim({"--journal", journal});
    TVexaPosixDispatcher dispatcher(nullptr);
    TReceiver receiver(dispatcher);
    ASSERT_EQ(OpenPlain(dispatcher, sim.LinePath()), 0);
    receiver.Attach();

    const std::string command = "\r\n";
    ASSERT_EQ(dispatcher.QueueOutput(reinterpret_cast<const std::uint8_t*>(command.data()),
                                     static_cast<std::uint32_t>(command.size())),
              0);
    ASSERT_TRUE(receiver.WaitForMessage(MsgTriggerData));
    EXPECT_NE(receiver.Received.find('*'), std::string::npos) << receiver.Received;
    const TMessage& data = *std::find_if(receiver.Messages.begin(), receiver.Messages.end(),
                                         [](const TMessage& m) { return m.Id == MsgTriggerData; });
    EXPECT_EQ(static_cast<std::int32_t>(data.First), receiver.LineFeedHandle());

    const std::string query = "?B1/42\r\n";
    dispatcher.QueueOutput(reinterpret_cast<const std::uint8_t*>(query.data()),
                           static_cast<std::uint32_t>(query.size()));
    ASSERT_TRUE(receiver.WaitUntil([&] { return receiver.Count(MsgTriggerData) >= 2; }));
    EXPECT_TRUE(CloseAndSettle(dispatcher, receiver));
    EXPECT_NE(test::ReadFile(journal).find("?B1/42"), std::string::npos);
}

// A small output ring and a long stream: the ring wraps many times while the device takes
// bytes at its own pace, and every byte arrives once and in order.
TEST(PosixDispatcherTest, OutputWrappingTheRingArrivesWholeAndInOrder) {
    TPtyController pty;
    TVexaPosixDispatcher dispatcher(nullptr);
    ASSERT_EQ(OpenPlain(dispatcher, pty.Path(), 64), 0);
    std::string stream(200'000, '\0');
    std::mt19937 random(5);
    std::generate(stream.begin(), stream.end(), [&] { return static_cast<char>(random()); });

    std::string received;
    std::thread reader([&] { received = pty.Receive(stream.size()); });
    std::size_t sent = 0;
    std::uniform_int_distribution<std::size_t> size(1, 40);
    const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
    while (sent < stream.size() && std::chrono::steady_clock::now() < deadline) {
        const std::size_t n = std::min(size(random), stream.size() - sent);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.data() + sent);
        const std::int32_t result = dispatcher.QueueOutput(bytes, static_cast<std::uint32_t>(n));
        if (result == 0) {
            sent += n;
        } else {
            ASSERT_EQ(result, -ecOutputBufferTooSmall);
            dispatcher.YieldTime();
        }
    }
    reader.join();
    ASSERT_EQ(received.size(), stream.size());
    EXPECT_TRUE(received == stream) << "bytes lost, doubled or reordered";
    dispatcher.CloseComPort();
}

TEST(PosixDispatcherTest, FlushDiscardsUnreadInputAndPendingOutput) {
    TPtyController pty;
    TVexaPosixDispatcher dispatcher(nullptr);
    ASSERT_EQ(OpenPlain(dispatcher, pty.Path(), 256), 0);
    pty.Send("abc");
    ASSERT_TRUE(Eventually([&] { return dispatcher.UnreadCount() == 3; }));
    EXPECT_EQ(dispatcher.FlushInput(), 0);
    EXPECT_EQ(dispatcher.UnreadCount(), 0u);
    EXPECT_EQ(dispatcher.TakeChar(), -ecBufferIsEmpty);

    // The far end holds our output with XOFF: the ring fills and stays full.
    ASSERT_EQ(dispatcher.ConfigureSoftwareFlow(3000, 400, TVexaBaseDispatcher::kFlowXonXoffOut), 0);
    pty.Send("\x13");
    const std::string block(64, 'o');
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(block.data());
    ASSERT_TRUE(Eventually([&] {
        dispatcher.QueueOutput(bytes, 64);
        return dispatcher.OutputRoom() < 64;
    }));
    ASSERT_GT(dispatcher.OutputPending(), 192u);
    EXPECT_EQ(dispatcher.FlushOutput(), 0);
    EXPECT_EQ(dispatcher.OutputPending(), 0u);
    EXPECT_EQ(dispatcher.OutputRoom(), 256u);
    dispatcher.CloseComPort();
}

// Nobody takes the bytes: the ring fills, the device keeps the rest, and nothing is lost
// once the reader catches up.
TEST(PosixDispatcherTest, AFullRingHoldsTheRestInTheDevice) {
    TPtyController pty;
    TVexaPosixDispatcher dispatcher(nullptr);
    ASSERT_EQ(OpenPlain(dispatcher, pty.Path()), 0);
    std::string stream(12'000, '\0');
    for (std::size_t i = 0; i < stream.size(); ++i) {
        stream[i] = static_cast<char>('a' + i % 26);
    }
    std::thread writer([&] { pty.Send(stream); });
    ASSERT_TRUE(Eventually(
        [&] { return dispatcher.UnreadCount() == TVexaBaseDispatcher::kDispatchRingSize; }));
    std::string taken;
    ASSERT_TRUE(Eventually([&] {
        for (std::int32_t byte = dispatcher.TakeChar(); byte >= 0; byte = dispatcher.TakeChar()) {
            taken.push_back(static_cast<char>(byte));
        }
        return taken.size() >= stream.size();
    }));
    writer.join();
    EXPECT_TRUE(taken == stream);
    dispatcher.CloseComPort();
}

}  // namespace
}  // namespace norvane::serial
