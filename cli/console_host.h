#pragma once
// The transfers' host on a terminal: the message log on standard output, exactly as the
// desktop program's log words it; message boxes, the warning bell and the progress bar on
// standard error. The bar is drawn only where standard error is a terminal, so scripts
// that capture it see nothing but failures.
//
// Every text is printed through VisibleText: log lines quote the instrument's replies and
// file names, which may hold control characters.
//
// A message log that cannot be written (standard output closed, e.g. the reading end of a
// pipe gone, or its file system full) is said once on standard error and handed to the
// log-lost handler; the runner then aborts the transfer, as a closed terminal would. Going on
// unseen would leave the transfer's outcome unreported to whoever started it.

#include <functional>
#include <ostream>
#include <string>

#include "device/transfer_host.h"

namespace norvane::cli {

class TConsoleHost : public device::ITransferHost {
  public:
    // path is what the transfer reads as the dialog's file display.
    TConsoleHost(std::string path, std::ostream& log, std::ostream& errors, bool interactive);

    void AppendLogLine(const std::string& text) override;
    void SetTransferState(bool on, int maximum) override;
    void SetProgress(int position) override;
    void ShowErrorBox(const std::string& text) override;
    void WarningBeep() override;
    void CancelDialogClose() override {}
    std::string FileDisplayPath() const override { return Path_; }

    // Prints a failure that reached the program outside the transfer's own reporting.
    void ReportFailure(const std::string& text);
    // Called once, from AppendLogLine, when the log could not be written.
    void SetLogLostHandler(std::function<void()> onLogLost) { OnLogLost_ = std::move(onLogLost); }
    // Whether a message box was shown: the transfer failed on a file or the port.
    bool ErrorShown() const { return ErrorShown_; }

  private:
    void ClearBar();
    void DrawBar();
    void CheckLogWritten();

    std::string Path_;
    std::ostream& Log_;
    std::ostream& Errors_;
    bool Interactive_;
    bool BarShown_ = false;
    bool ErrorShown_ = false;
    bool LogLost_ = false;
    std::function<void()> OnLogLost_;
    int Maximum_ = 0;
    int Position_ = 0;
};

}  // namespace norvane::cli
