#include "serial/errors/application_hooks.h"

#include <atomic>
#include <iostream>
#include <thread>

namespace norvane::serial {

namespace {

TExceptionReport& ExceptionReportHook() {
    static TExceptionReport report;
    return report;
}

TPortPrompt& PortPromptHook() {
    static TPortPrompt prompt;
    return prompt;
}

std::atomic<int> InterruptFd{-1};

struct TInstalledPump {
    TWaitPump Pump;
    std::thread::id Thread;
};

TInstalledPump& PumpHook() {
    static TInstalledPump installed;
    return installed;
}

thread_local bool PumpedWaits = false;

}  // namespace

void SetExceptionReport(TExceptionReport report) {
    ExceptionReportHook() = std::move(report);
}

void ReportException(const std::exception& failure) {
    if (const auto& report = ExceptionReportHook()) {
        report(failure);
        return;
    }
    std::cerr << failure.what() << '\n';
}

void SetPortPrompt(TPortPrompt prompt) {
    PortPromptHook() = std::move(prompt);
}

const TPortPrompt& PortPrompt() {
    return PortPromptHook();
}

void SetWaitInterruptFd(int fd) {
    InterruptFd.store(fd);
}

int WaitInterruptFd() {
    return InterruptFd.load();
}

void SetWaitPump(TWaitPump pump) {
    PumpHook() = {std::move(pump), std::this_thread::get_id()};
}

const TWaitPump* WaitPump() {
    const TInstalledPump& installed = PumpHook();
    const bool here =
        PumpedWaits && installed.Pump && installed.Thread == std::this_thread::get_id();
    return here ? &installed.Pump : nullptr;
}

TPumpedWaits::TPumpedWaits() : Outer_(!PumpedWaits) {
    PumpedWaits = true;
}

TPumpedWaits::~TPumpedWaits() {
    if (Outer_) {
        PumpedWaits = false;
    }
}

}  // namespace norvane::serial
