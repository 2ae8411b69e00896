#pragma once
// What the download and the upload dialog share: the layout, the two states (idle and
// transfer), the file chooser button, and the host operations the transfer procedures
// call while they run inside the OK handler.
//
// Closing. OK, Abort and Cancel close the dialog with their own result once their handler
// has returned. The OK handler runs the whole transfer, and the transfer pumps events
// while it waits for the instrument, so Abort (and Esc, Cancel) are handled while the OK
// handler is still on the stack: they only record the result, and the dialog closes when
// the procedure has returned. The procedure may cancel the OK result (CancelDialogClose),
// which keeps the dialog open. Whenever the dialog closes, the file display goes back to
// "*.nvf".
//
// Height. The states differ in the height of the client area: 206 with the progress area,
// 101 without (the file row and OK/Cancel, just above the separator line). The client
// area is set, not the outer size: the window manager draws whatever frame it likes around
// it, and it knows that frame only once it has taken the window, after Qt has sized it.
//
// User-interface thread only.

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/transfer_host.h"
#include "ui/file_display.h"

class QFileDialog;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace norvane::device {
class TCellTransfer;
}

namespace norvane::session {
class TInstrumentSession;
}

namespace norvane::ui {

// Receives the transfer's log lines; the main window appends them to its message log.
using TLogSink = std::function<void(const std::string&)>;

// The directory both file choosers start in: ~/Norvane. Nothing creates it; a chooser whose
// initial directory does not exist starts in the home folder instead.
QString DefaultDataDirectory();

class TTransferForm : public QDialog, public device::ITransferHost {
  public:
    // The result of a dialog closed by its Abort button (OK is QDialog::Accepted, Cancel
    // QDialog::Rejected).
    static constexpr int kAbortResult = 3;
    static constexpr int kClientWidth = 391;
    static constexpr int kIdleClientHeight = 101;
    static constexpr int kTransferClientHeight = 206;

    // The dialog runs its transfers on `session`, which must outlive it, and hands their
    // log lines to appendLogLine (an empty sink drops them). Created hidden and idle.
    TTransferForm(session::TInstrumentSession& session, TLogSink appendLogLine, QWidget* parent);

    // Puts the dialog into its idle state, centres it and shows it modally; returns the
    // result it closed with (Accepted, Rejected or kAbortResult).
    int Open();

    // The directory the file chooser shows at its next opening (the home folder while it
    // does not exist). A confirmed choice replaces it, so that later openings start in
    // the directory the user chose from last.
    void SetInitialDirectory(const QString& directory);

    // A file chooser as the file button opens it: a new one at every opening, parented to
    // this dialog. One kept for the whole run left its name field's completion list on
    // screen after Enter had closed it, and that list took the next key or click.
    std::unique_ptr<QFileDialog> NewFileChooser();

    // ITransferHost.
    void AppendLogLine(const std::string& text) override;
    void SetTransferState(bool on, int maximum) override;
    void SetProgress(int position) override;
    void ShowErrorBox(const std::string& text, const std::string& cause) override;
    void WarningBeep() override;
    void CancelDialogClose() override;
    std::string FileDisplayPath() const override;

    // Esc, Cancel and the window system's close. Ignored while Cancel is disabled (the
    // transfer state: only Abort closes then). While a transfer runs in the idle state
    // (after an unsuccessful probe) it aborts the transfer, and the dialog closes with
    // the Cancel result when the procedure has returned.
    void reject() override;
    void done(int result) override;

    // The controls, named as the tests find them.
    QLabel* FileLabel;
    QFrame* FilePanel;
    TFileDisplay* FileName;
    QToolButton* FileBtn;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QFrame* Bevel1;
    QLabel* ProgressLabel;
    QProgressBar* ProgressBar;
    QPushButton* AbortBtn;

  protected:
    // The download or the upload, with this dialog as its host.
    virtual void RunTransfer(device::TCellTransfer& transfer) = 0;
    // Gives a new chooser its title, mode and filter.
    virtual void SetUpChooser(QFileDialog& chooser) const = 0;

  private:
    void CreateControls();
    void FileBtnClick();
    void OKBtnClick();
    void AbortBtnClick();
    void FormClose();
    void ApplyClientHeight();

    session::TInstrumentSession& Session_;
    TLogSink AppendLogLine_;
    // Where the next chooser opens; empty for the working directory.
    QString ChooserDirectory_;
    int ClientHeight_ = kIdleClientHeight;
    // True while the OK handler's procedure runs.
    bool Running_ = false;
    // The result the dialog closes with once the running procedure returns; none keeps it
    // open.
    std::optional<int> PendingResult_;
};

}  // namespace norvane::ui
