#include "cli/console_host.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device/visible_text.h"

namespace norvane::cli {

namespace {

constexpr int kBarWidth = 40;

}  // namespace

TConsoleHost::TConsoleHost(std::string path, std::ostream& log, std::ostream& errors,
                           bool interactive)
    : Path_(std::move(path)), Log_(log), Errors_(errors), Interactive_(interactive) {}

void TConsoleHost::ClearBar() {
    if (BarShown_) {
        Errors_ << "\r\033[K" << std::flush;
        BarShown_ = false;
    }
}

void TConsoleHost::DrawBar() {
    if (!Interactive_ || Maximum_ <= 0) {
        return;
    }
    const int filled = static_cast<int>(static_cast<long long>(kBarWidth) *
                                        std::clamp(Position_, 0, Maximum_) / Maximum_);
    Errors_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << Position_
            << '/' << Maximum_ << std::flush;
    BarShown_ = true;
}

void TConsoleHost::AppendLogLine(const std::string& text) {
    ClearBar();
    errno = 0;
    Log_ << device::VisibleText(text, device::TControlSet::Terminal) << '\n' << std::flush;
    CheckLogWritten();
    DrawBar();
}

void TConsoleHost::CheckLogWritten() {
    if (Log_ || LogLost_) {
        return;
    }
    const int cause = errno;
    LogLost_ = true;
    Errors_ << "norvane-cli: cannot write the message log to standard output"
            << (cause != 0 ? std::string(": ") + std::strerror(cause) : std::string())
            << "; a transfer still running is aborted\n"
            << std::flush;
    if (OnLogLost_) {
        OnLogLost_();
    }
}

void TConsoleHost::SetTransferState(bool on, int maximum) {
    Maximum_ = on ? maximum : 0;
    Position_ = 0;
    ClearBar();
    DrawBar();
}

void TConsoleHost::SetProgress(int position) {
    Position_ = position;
    DrawBar();
}

void TConsoleHost::ShowErrorBox(const std::string& text) {
    ErrorShown_ = true;
    ReportFailure(text);
}

void TConsoleHost::ReportFailure(const std::string& text) {
    ClearBar();
    Errors_ << device::VisibleText(text, device::TControlSet::Terminal) << '\n' << std::flush;
}

void TConsoleHost::WarningBeep() {
    if (Interactive_) {
        Errors_ << '\a' << std::flush;
    }
}

}  // namespace norvane::cli
