// The recorder a dispatcher reports to: what a real dispatcher's traffic turns into, and
// commands from one thread while another adds entries.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "fake_device_dispatcher.h"
#include "serial/trace/trace_log_format.h"
#include "serial/trace/trace_log_recorder.h"
#include "trace_log_test_files.h"

namespace norvane::serial::testing {
namespace {

class TraceLogRecorderTest : public TDumpDirectoryTest {
  protected:
    std::atomic<std::uint32_t> Now{100};
    TTraceLogRecorder Recorder{[this] { return Now.load(); }};
};

TEST_F(TraceLogRecorderTest, RecordsADispatchersTraffic) {
    TFakeDeviceDispatcher device;
    device.Open();
    Recorder.Restart();
    ASSERT_EQ(Recorder.StartTrace(TTraceLogRecorder::kDefaultTraceSize), 0);
    ASSERT_EQ(Recorder.StartLog(TTraceLogRecorder::kDefaultLogSize), 0);
    device.AttachRecorder(&Recorder);

    Now += 1500;
    const std::uint8_t command[] = {'?', '\r', '\n'};
    ASSERT_GE(device.QueueOutput(command, 3), 0);
    Now += 20;
    device.Line().Arrive("*7\n");
    device.Cycle();
    while (device.UnreadCount() > 0) {
        device.TakeChar();
    }
    device.AttachRecorder(nullptr);

    const std::string trace = PathOf("VEXA.TRC");
    const std::string log = PathOf("VEXA.LOG");
    ASSERT_EQ(Recorder.WriteTraceFile(trace, false, false, true), 0);
    ASSERT_EQ(Recorder.WriteLogFile(log, false, false, true), 0);
    EXPECT_EQ(ReadFile(trace), "Transmit: ?[0D][0A]\r\n\r\nReceive: *7[0A]");
    EXPECT_EQ(ReadFile(log), "VEXA v3.03\r\nCompiler : " + CompilerDescription() +
                                 "\r\nOperating System : " + OperatingSystemDescription() +
                                 "\r\nTime      Type      SubType       Data      OtherData\r\n"
                                 "--------  --------  ------------  --------  ---------\r\n"
                                 "0001.500  Dispatch  WriteCom      00000003  ?[0D][0A]\r\n"
                                 "0001.520  Dispatch  ReadCom       00000003  *7[0A]\r\n");
    EXPECT_FALSE(Recorder.IsTracing());
    EXPECT_FALSE(Recorder.IsLogging());
}

TEST_F(TraceLogRecorderTest, RestartStopsBothAndResetsTheStartTime) {
    ASSERT_EQ(Recorder.StartTrace(10), 0);
    ASSERT_EQ(Recorder.StartLog(1000), 0);
    Recorder.AddTraceEntry(tkReceive, 'a');
    Now = 7000;
    Recorder.Restart();
    EXPECT_FALSE(Recorder.IsTracing());
    EXPECT_FALSE(Recorder.IsLogging());
    EXPECT_FALSE(Recorder.ReadOldestLogEntry());

    ASSERT_EQ(Recorder.StartLog(1000), 0);
    Now = 7042;
    Recorder.AddLogEntry(ltThread, lsStart, 0, {});
    EXPECT_EQ(Recorder.ReadOldestLogEntry()->Header.Time, 42u);
}

// The dispatch thread's entries go on while the user-interface thread starts and dumps.
TEST_F(TraceLogRecorderTest, CommandsWhileEntriesArrive) {
    std::atomic<bool> stop{false};
    std::thread dispatch([&] {
        const std::uint8_t bytes[] = {1, 2, 3};
        while (!stop) {
            Recorder.AddTraceEntry(tkReceive, 'x');
            Recorder.AddLogEntry(ltDispatch, lsReadCom, 3, bytes);
        }
    });
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(Recorder.StartTrace(500), 0);
        ASSERT_EQ(Recorder.StartLog(2000), 0);
        std::this_thread::yield();
        Recorder.PauseTrace();
        Recorder.ResumeTrace();
        EXPECT_EQ(Recorder.WriteTraceFile(PathOf("VEXA.TRC"), round % 2 == 1, false, true), 0);
        EXPECT_EQ(Recorder.WriteLogFile(PathOf("VEXA.LOG"), round % 2 == 1, true, true), 0);
    }
    stop = true;
    dispatch.join();
    EXPECT_FALSE(Recorder.IsTracing());
    EXPECT_FALSE(Recorder.IsLogging());
}

}  // namespace
}  // namespace norvane::serial::testing
