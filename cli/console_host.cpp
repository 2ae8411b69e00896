#include "cli/console_host.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/visible_text.h"

namespace norvane::cli {

namespace {

constexpr int kBarWidth = 40;

}  // namespace

TConsoleHost::TConsoleHost(std::string path, std::ostream& log, std::ostream& errors,
                           bool interactive, std::string unit, TClock clock)
    : Path_(std::move(path)),
      Log_(log),
      Errors_(errors),
      Interactive_(interactive),
      Unit_(std::move(unit)),
      Clock_(std::move(clock)) {}

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
            << '/' << Maximum_ << PaceText() << "\033[K" << std::flush;
    BarShown_ = true;
}

// "  12.5 cells/s  2:31 left", or "" until there is a rate to tell.
std::string TConsoleHost::PaceText() const {
    const double seconds = std::chrono::duration<double>(Clock_() - Started_).count();
    if (Position_ <= 0 || seconds <= 0.0) {
        return {};
    }
    const double rate = Position_ / seconds;
    const long long left = std::llround(std::max(0, Maximum_ - Position_) / rate);  // whole seconds
    char text[64];
    std::snprintf(text, sizeof text, "  %.1f %s/s  %lld:%02lld left", rate, Unit_.c_str(),
                  left / 60, left % 60);
    return text;
}

void TConsoleHost::AppendLogLine(const std::string& text) {
    ClearBar();
    errno = 0;
    Log_ << base::VisibleText(text, base::TControlSet::Terminal) << '\n' << std::flush;
    CheckLogWritten();
}

void TConsoleHost::CheckLogWritten() {
    if (Log_ || LogLost_) {
        return;
    }
    const int cause = errno;
    LogLost_ = true;
    const bool aborted = OnLogLost_ && OnLogLost_();
    Errors_ << "norvane-cli: cannot write the message log to standard output"
            << (cause != 0 ? std::string(": ") + std::strerror(cause) : std::string())
            << (aborted ? "; a transfer still running is aborted" : "") << '\n'
            << std::flush;
}

void TConsoleHost::SetTransferState(bool on, int maximum) {
    Maximum_ = on ? maximum : 0;
    Position_ = 0;
    Started_ = Clock_();
    ClearBar();
    DrawBar();
}

void TConsoleHost::SetProgress(int position) {
    Position_ = position;
    DrawBar();
}

void TConsoleHost::ShowErrorBox(const std::string& text, const std::string& cause) {
    ErrorShown_ = true;
    ReportFailure(cause.empty() ? text : cause);
}

void TConsoleHost::ReportFailure(const std::string& text) {
    ClearBar();
    // A failure may say on a line of its own what was tried; each line is shown as text.
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        Errors_ << base::VisibleText(text.substr(start, end - start), base::TControlSet::Terminal)
                << '\n';
        start = end + 1;
    }
    Errors_ << std::flush;
}

void TConsoleHost::WarningBeep() {
    if (Interactive_) {
        Errors_ << '\a' << std::flush;
    }
}

}  // namespace norvane::cli
