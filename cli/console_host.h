#pragma once
// The transfers' host on a terminal: the message log on standard output, exactly as the
// desktop program's log words it; message boxes, the warning bell and the progress bar on
// standard error. The bar is drawn only where standard error is a terminal, so scripts
// that capture it see nothing but failures. Beside the count it shows the rate ("12.5
// cells/s") and the time left, both measured from the start of the transfer on the given
// clock. A log line clears the bar, which comes back with the next progress step: after
// the transfer's final line nothing redraws it, so the terminal ends with the outcome.
//
// Every text is printed through VisibleText: log lines quote the instrument's replies and
// file names, which may hold control characters.
//
// A message log that cannot be written (standard output closed, e.g. the reading end of a
// pipe gone, or its file system full) is said once on standard error and handed to the
// log-lost handler; the runner then aborts a transfer still running, as a closed terminal
// would. Going on unseen would leave the transfer's outcome unreported to whoever started it.
// Each line is flushed as it is logged, so a vanished reader is seen when it goes.

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

#include "device/transfer_host.h"

namespace norvane::cli {

class TConsoleHost : public device::ITransferHost {
  public:
    using TClock = std::function<std::chrono::steady_clock::time_point()>;

    // path is what the transfer reads as the dialog's file display; unit names what the
    // progress counts ("cells", "lines").
    TConsoleHost(std::string path, std::ostream& log, std::ostream& errors, bool interactive,
                 std::string unit = "cells", TClock clock = std::chrono::steady_clock::now);

    void AppendLogLine(const std::string& text) override;
    void SetTransferState(bool on, int maximum) override;
    void SetProgress(int position) override;
    void ShowErrorBox(const std::string& text, const std::string& cause) override;
    void WarningBeep() override;
    void CancelDialogClose() override {}
    std::string FileDisplayPath() const override { return Path_; }

    // What the progress counts from the next transfer on ("cells", "lines").
    void SetUnit(std::string unit) { Unit_ = std::move(unit); }
    // Prints a failure that reached the program outside the transfer's own reporting; its
    // line breaks stay line breaks, every other control character is escaped.
    void ReportFailure(const std::string& text);
    // Called once, from AppendLogLine, when the log could not be written; returns whether it
    // aborted a transfer still running (the warning then says so).
    void SetLogLostHandler(std::function<bool()> onLogLost) { OnLogLost_ = std::move(onLogLost); }
    // Whether a message box was shown: the transfer failed on a file or the port.
    bool ErrorShown() const { return ErrorShown_; }

  private:
    void ClearBar();
    void DrawBar();
    void CheckLogWritten();
    std::string PaceText() const;

    std::string Path_;
    std::ostream& Log_;
    std::ostream& Errors_;
    bool Interactive_;
    bool BarShown_ = false;
    bool ErrorShown_ = false;
    bool LogLost_ = false;
    std::function<bool()> OnLogLost_;
    int Maximum_ = 0;
    int Position_ = 0;
    std::string Unit_;
    TClock Clock_;
    std::chrono::steady_clock::time_point Started_{};
};

}  // namespace norvane::cli
