// What the dispatcher reports to an attached trace and log recorder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_device_dispatcher.h"
#include "recording_window.h"
#include "serial/trace/dispatch_recorder.h"

namespace norvane::serial::testing {
namespace {

class TListRecorder final : public IDispatchRecorder {
  public:
    void AddTraceEntry(TTraceKind kind, std::uint8_t byte) override {
        Trace += static_cast<char>(kind);
        Trace += static_cast<char>(byte);
    }
    void AddLogEntry(TLogType type, TLogSubtype subtype, std::uint32_t data,
                     std::span<const std::uint8_t> bytes) override {
        Log.push_back(std::to_string(type) + "/" + std::to_string(subtype) + " " +
                      std::to_string(data) + " [" + std::string(bytes.begin(), bytes.end()) + "]");
    }
    std::string Trace;
    std::vector<std::string> Log;
};

TEST(DispatchRecorder, ReceivesEveryHookInOrder) {
    TFakeDeviceDispatcher device;
    device.Open();
    TListRecorder recorder;
    device.AttachRecorder(&recorder);
    TRecordingWindow window{device};
    device.AttachWindow(&window.Target);
    device.SetHandlerFlags(TVexaBaseDispatcher::kHandlersInstalled);
    device.SetAvailThreshold(1);
    const std::int32_t lf =
        device.NewDataTrigger(reinterpret_cast<const std::uint8_t*>("\n"), 1, false);
    device.Line().Arrive("a\n");
    device.Cycle();
    const std::uint8_t out[] = {'o', 'k'};
    device.QueueOutput(out, 2);
    device.AttachRecorder(nullptr);
    device.QueueOutput(out, 2);  // detached: nothing more

    EXPECT_EQ(recorder.Trace, std::string("RaR\nToTk"));
    const std::string h = std::to_string(lf);
    const std::string window_tag = std::to_string(
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&window.Target)));
    EXPECT_EQ(recorder.Log, (std::vector<std::string>{
                                "7/17 " + window_tag + " []",  // window attached
                                "9/16 1 []",                   // threshold
                                "5/13 " + h + " [\n]",         // trigger added
                                "1/1 2 [a\n]",                 // device read
                                "2/5 1 []",                    // avail before the line feed
                                "2/7 " + h + " []",            // data
                                "2/5 1 []",                    // avail for the line feed
                                "1/2 2 [ok]",                  // output queued
                            }));
}

}  // namespace
}  // namespace norvane::serial::testing
