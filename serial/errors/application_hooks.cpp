#include "serial/errors/application_hooks.h"

#include <atomic>
#include <iostream>

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

}  // namespace norvane::serial
