#include "serial/errors/application_hooks.h"

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

}  // namespace norvane::serial
