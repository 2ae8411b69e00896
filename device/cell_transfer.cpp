#include "device/cell_transfer.h"

#include <sys/stat.h>

#include <exception>
#include <optional>

#include "base/visible_text.h"
#include "device/cell_file.h"
#include "device/flag_guard.h"

namespace norvane::device {

namespace {

const std::string kLineEnd = "\r\n";
const std::string kProbe = "?B1/1" + kLineEnd;

std::string QueryCommand(int cell) {
    return "?B1/" + std::to_string(cell) + kLineEnd;
}

// Counting a file of millions of lines takes seconds; the user's Abort is looked for this
// often.
constexpr std::int32_t kLinesBetweenAbortChecks = 4096;

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Log texts of the instrument's error replies, shared by download and upload; each is
// followed by "... " and the text it concerns.
const char* ErrorReplyText(std::int32_t status) {
    switch (status) {
        case rsReadOnlyVariable:
            return " error - read only variable";
        case rsSyntaxError:
            return " error - syntax error";
        case rsDeviceNumberOutOfRange:
            return " error - device number out of range";
        case rsCommandNotImplemented:
            return " error - command not implemented";
        case rsInvalidGaugeType:
            return " error - invalid gauge type";
        case rsInvalidValue:
            return " error - invalid value";
        case rsBadValue:
            return " error - bad value";
        case rsMissingGaugeId:
            return " error - missing gauge ID";
        case rsTooManyDigits:
            return " error - too many digits";
        case rsCellIdMissing:
            return " error - cell ID missing";
        case rsCellNotAvailable:
            return " error - cell not available";
        default:
            return " error";
    }
}

}  // namespace

bool TCellTransfer::RefuseWhileBusy(ITransferHost& host) {
    if (!Busy_) {
        return false;
    }
    host.AppendLogLine("A transfer is already running; wait for it to end or abort it.");
    host.WarningBeep();
    host.CancelDialogClose();
    return true;
}

void TCellTransfer::ReportError(ITransferHost& host, const std::string& text) {
    host.AppendLogLine(text);
    ErrorsReported_ = true;
}

// ---- download ---------------------------------------------------------------------------

void TCellTransfer::DownloadCells(ITransferHost& host) {
    if (RefuseWhileBusy(host)) {
        return;
    }
    TFlagGuard busy(Busy_);
    TInstrumentLink::TTransferScope abortHolds(Link_);
    Activity_ = "Download";
    const std::string target = host.FileDisplayPath();
    RepliesOutOfStep_ = false;
    Completed_ = false;
    try {
        RunDownload(host, target);
    } catch (const std::exception& failure) {
        // The placeholder needs no explanation beyond the box; any other failure gets its
        // cause in the log, since the box's text alone cannot tell a missing cable from a
        // full disk.
        const bool fileChosen = target != kNoFileChosen && !target.empty();
        if (fileChosen) {
            host.AppendLogLine("Download to " + target + " failed - " + failure.what());
        }
        host.WarningBeep();
        host.ShowErrorBox("Enter a valid filename.", fileChosen ? failure.what() : "");
        host.CancelDialogClose();
    }
}

bool TCellTransfer::VerifyCells(ITransferHost& host, TCellTable& cells) {
    if (RefuseWhileBusy(host)) {
        return false;
    }
    TFlagGuard busy(Busy_);
    TInstrumentLink::TTransferScope abortHolds(Link_);
    Activity_ = "Verify";
    RepliesOutOfStep_ = false;
    cells.Lines.clear();
    cells.ErrorReplies.clear();
    Completed_ = QueryEveryCell(
        host, [&cells](int, const std::string& value) { cells.Lines.push_back(value); },
        [&cells](int cell, const std::string& reply) { cells.ErrorReplies[cell] = reply; });
    return Completed_;
}

void TCellTransfer::RunDownload(ITransferHost& host, const std::string& target) {
    if (target == kNoFileChosen || target.empty()) {
        throw TCellFileError("No file chosen");
    }
    // Destroying the writer without Commit() removes what was written and leaves the
    // target as it was: every way out of here but the completion line does that.
    TCellFileWriter file(target);
    if (!QueryEveryCell(host, [&file](int, const std::string& value) { file.AppendLine(value); },
                        {})) {
        return;
    }
    file.Commit();
    Completed_ = true;
    host.AppendLogLine("Download to " + target +
                       (ErrorsReported_ ? " completed with errors." : " complete."));
}

// The line clear, the probe and every cell, each answered cell to `store` and each error
// reply to `refuse` (where given). True when all of it went through with replies in step.
bool TCellTransfer::QueryEveryCell(ITransferHost& host, const TCellSink& store,
                                   const TCellSink& refuse) {
    Link_.SendCommand(kLineEnd);
    Link_.SendCommand(kProbe);
    if (Link_.ReplyStatus() == rsOk) {
        host.SetTransferState(true, CellCount);
    } else {
        ReportDownloadStatus(host);
    }
    ErrorsReported_ = false;  // an error reply to the probe does not count

    for (int cell = 1; cell <= CellCount; ++cell) {
        if (EndsTransfer(Link_.ReplyStatus())) {
            break;
        }
        Link_.SendCommand(QueryCommand(cell));
        if (Link_.ReplyStatus() == rsOk) {
            StoreCell(host, cell, store, refuse);
        }
        if (!EndsTransfer(Link_.ReplyStatus())) {
            host.SetProgress(cell);
        }
        ReportDownloadStatus(host, refuse, cell);
    }
    if (EndsTransfer(Link_.ReplyStatus())) {
        return false;
    }
    if (!CheckRepliesInStep()) {
        ReportDownloadStatus(host);
        return false;
    }
    if (RepliesOutOfStep_) {
        host.AppendLogLine(std::string(Activity_) +
                           " failed - the instrument's replies were out of step with "
                           "the commands!");
        host.WarningBeep();
        return false;
    }
    return true;
}

// Every reply may have been one command late without any showing it, so the verdict waits
// for the link's word. False when the user aborted meanwhile.
bool TCellTransfer::CheckRepliesInStep() {
    RepliesOutOfStep_ = !Link_.ConfirmRepliesInStep();
    return !Link_.AbortLatched();
}

// No definition holds a control character but tab, so another one in a reply is line noise.
// Stored, it would be worse than lost: a Ctrl-Z silently ends every later upload of the file
// there, and an upload refuses a file holding any other.
void TCellTransfer::StoreCell(ITransferHost& host, int cell, const TCellSink& store,
                              const TCellSink& refuse) {
    const std::string& value = Link_.ReplyValue();
    if (base::HoldsControlOtherThanTab(value)) {
        ReportError(
            host, std::string(Activity_) + " error - garbled reply... " + base::VisibleText(value));
        if (refuse) {
            refuse(cell, value);
        }
        return;
    }
    store(cell, value);
}

void TCellTransfer::ReportDownloadStatus(ITransferHost& host, const TCellSink& refuse, int cell) {
    const std::int32_t status = Link_.ReplyStatus();
    const std::string activity = Activity_;
    switch (status) {
        case rsNoConnection:
            host.AppendLogLine(activity + " failed - no connection!");
            break;
        case rsUnexpectedReply:
            host.AppendLogLine(activity + " failed - unknown error... " + Link_.ReplyValue());
            break;
        case rsAborted:
            host.AppendLogLine(activity + " aborted by user.");
            break;
        case rsOk:
        case rsCellNotAvailable:  // an undefined cell is simply skipped
            return;
        default:
            ReportError(host, activity + ErrorReplyText(status) + "... " + Link_.ReplyValue());
            if (refuse && cell > 0) {
                refuse(cell, Link_.ReplyValue());
            }
            return;
    }
    // The partial file is removed when the download unwinds.
    host.WarningBeep();
}

// ---- upload -----------------------------------------------------------------------------

void TCellTransfer::UploadCells(ITransferHost& host) {
    if (RefuseWhileBusy(host)) {
        return;
    }
    TFlagGuard busy(Busy_);
    TInstrumentLink::TTransferScope abortHolds(Link_);
    const std::string source = host.FileDisplayPath();
    if (source == kNoFileChosen) {
        host.WarningBeep();
        host.ShowErrorBox("Select file to load.", "");
        host.CancelDialogClose();
        return;
    }
    RunUpload(host, source);
}

void TCellTransfer::RunUpload(ITransferHost& host, const std::string& source) {
    // A line quoted from the previous upload's file would mislead.
    UploadLine_.clear();
    UploadLineCount_ = 0;
    RepliesOutOfStep_ = false;
    Completed_ = false;
    std::int32_t lineCutByEndMark = 0;
    std::optional<TCellFileReader> file;
    if (FileExists(source)) {
        file.emplace(source);
        // An Abort while counting sends nothing: the line clear and the probe below then
        // return at once with the abort.
        CountLines(*file);
        lineCutByEndMark = file->LineCutByEndMark();
        file->Rewind();
        Link_.SendCommand(kLineEnd);
        Link_.SendCommand(kProbe);
    } else {
        Link_.SetReplyStatus(rsFileMissing);
    }

    if (Link_.ReplyStatus() == rsOk) {
        host.SetTransferState(true, UploadLineCount_);
    } else {
        ReportUploadStatus(host, source);
    }
    ErrorsReported_ = false;  // an error reply to the probe does not count

    for (std::int32_t i = 1; i <= UploadLineCount_; ++i) {
        if (EndsTransfer(Link_.ReplyStatus()) || Link_.ReplyStatus() == rsFileMissing) {
            break;
        }
        if (!file->ReadLine(UploadLine_)) {
            // Sending an empty store in place of a line that vanished would write
            // something the user never had in the file.
            throw TCellFileError(source + " changed while it was being uploaded");
        }
        Link_.SendCommand("=" + UploadLine_ + kLineEnd);
        if (!EndsTransfer(Link_.ReplyStatus())) {
            host.SetProgress(i);
        }
        ReportUploadStatus(host, source);
        if (EndsTransfer(Link_.ReplyStatus())) {
            ReportWhereUploadStopped(host, source, i);
        }
    }
    if (EndsTransfer(Link_.ReplyStatus()) || Link_.ReplyStatus() == rsFileMissing) {
        return;
    }
    if (!CheckRepliesInStep()) {
        ReportUploadStatus(host, source);  // every line was sent: nothing stopped
        return;
    }
    if (RepliesOutOfStep_) {
        ReportError(host,
                    "Upload error - the instrument's replies were out of step with the "
                    "lines; the rejections above may name the wrong lines.");
    }
    Completed_ = true;
    host.AppendLogLine("Upload of " + source +
                       (ErrorsReported_ ? " completed with errors." : " complete."));
    if (lineCutByEndMark > 0) {
        host.AppendLogLine("Upload of " + source + " ended at a Ctrl-Z in line " +
                           std::to_string(lineCutByEndMark) +
                           "; the rest of the file was not sent.");
    }
}

// Leaves the last line read in UploadLine_: the report after the probe quotes it.
void TCellTransfer::CountLines(TCellFileReader& file) {
    std::string line;
    while (file.ReadLine(line)) {
        UploadLine_.swap(line);
        ++UploadLineCount_;
        if (UploadLineCount_ % kLinesBetweenAbortChecks == 0 && Link_.CheckForAbort()) {
            return;
        }
    }
}

// The instrument keeps the lines it stored before the upload stopped, so the user needs
// to know where to resume; the failure line alone does not say how far the upload got.
void TCellTransfer::ReportWhereUploadStopped(ITransferHost& host, const std::string& source,
                                             std::int32_t line) {
    host.AppendLogLine("Upload of " + source + " stopped at line " + std::to_string(line) + " of " +
                       std::to_string(UploadLineCount_) + ".");
}

void TCellTransfer::ReportUploadStatus(ITransferHost& host, const std::string& source) {
    const std::int32_t status = Link_.ReplyStatus();
    switch (status) {
        case rsNoConnection:
            host.AppendLogLine("Upload failed - no connection!");
            break;
        case rsUnexpectedReply:
            host.AppendLogLine("Upload failed - unknown error... " + QuotedLine(UploadLine_));
            break;
        case rsAborted:
            host.AppendLogLine("Upload aborted by user.");
            break;
        case rsFileMissing:
            host.AppendLogLine("Upload failed - " + source + " does not exist!");
            break;
        case rsOk:
            return;
        default:
            ReportError(host, std::string("Upload") + ErrorReplyText(status) + "... " +
                                  QuotedLine(UploadLine_));
            return;
    }
    host.WarningBeep();
}

}  // namespace norvane::device
