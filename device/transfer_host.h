#pragma once
// What a download or upload needs of its dialog and of the main window's message log.

#include <string>

namespace norvane::device {

class ITransferHost {
  public:
    virtual ~ITransferHost() = default;

    // Adds text as the new last line of the message log.
    virtual void AppendLogLine(const std::string& text) = 0;

    // on: the dialog shows its progress bar and Abort button and locks everything else;
    // off: the idle dialog. Either way the bar's maximum becomes `maximum`, its position 0.
    virtual void SetTransferState(bool on, int maximum) = 0;

    virtual void SetProgress(int position) = 0;

    // A modal message box titled "Error" with the error symbol and one OK button. cause is
    // the failure behind it, in words that name what failed (already in the log), or empty
    // when the box says all; a host without a log in view (the command line's standard
    // error) shows the cause in place of the box's general advice.
    virtual void ShowErrorBox(const std::string& text, const std::string& cause) = 0;

    // The platform's warning sound.
    virtual void WarningBeep() = 0;

    // Keeps the dialog open after its OK handler returns.
    virtual void CancelDialogClose() = 0;

    // The path in the dialog's file display; "*.nvf" means no file has been chosen.
    virtual std::string FileDisplayPath() const = 0;
};

}  // namespace norvane::device
