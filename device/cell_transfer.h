#pragma once
// Download of the instrument's cells into a cell file, and upload of a cell file back.
//
// Both run inside the OK handler of their dialog, on the event thread of the link, and
// talk to the user only through ITransferHost. Only one transfer runs at a time: while one
// is under way its dialog may still offer OK (after an unsuccessful probe), and a second
// start is then refused with a log line instead of nesting inside the first.
//
// The user's Abort (TInstrumentLink::Abort) holds from the start of a transfer to its end,
// whenever it comes: no command goes out after it, and the transfer ends with its
// "... aborted by user." line.

#include <cstdint>
#include <functional>
#include <string>

#include "device/cell_comparison.h"
#include "device/instrument_link.h"
#include "device/transfer_host.h"

namespace norvane::device {

class TCellFileReader;
class TCellFileWriter;

class TCellTransfer {
  public:
    static constexpr std::int32_t CellCount = 1899;
    // What the dialogs' file display shows before a file has been chosen.
    static constexpr const char* kNoFileChosen = "*.nvf";

    explicit TCellTransfer(TInstrumentLink& link) : Link_(link) {}
    TCellTransfer(const TCellTransfer&) = delete;
    TCellTransfer& operator=(const TCellTransfer&) = delete;

    // Queries cells 1 to CellCount into the file named by host.FileDisplayPath(). The
    // file at that path is replaced only by a download that reaches its completion line;
    // every other outcome leaves it as it was, and so does a download whose replies turn out
    // to be out of step with its commands (see RepliesOutOfStep). A "*" reply holding a
    // control character other than tab is not stored but logged as a garbled reply, an
    // error like the instrument's own. Never throws for file or port failures: they end the
    // download with the "Enter a valid filename." box.
    void DownloadCells(ITransferHost& host);

    // Holds the download's conversation, writing no file: every answered cell's value goes to
    // `cells.Lines` in cell order, every instrument error reply to `cells.ErrorReplies` under
    // the cell queried. Logs as a download does, with "Verify" in place of "Download", but
    // ends without a completion line: the caller compares and says the outcome. Returns
    // whether every cell was queried with replies in step; when not, the log says why.
    bool VerifyCells(ITransferHost& host, TCellTable& cells);

    // Sends every line of the file named by host.FileDisplayPath() as a store command.
    // An upload that no reply, an unknown reply or Abort ends while sending a line logs,
    // after the failure itself, at which line of how many it stopped. When a Ctrl-Z ended
    // the file before its last byte, an upload that reaches its completion line says so in
    // one more line after it; the upload still counts as it would without that (the marker
    // is the old way to end a text file). Messages quote at most 200 characters of a line.
    // Failures to read the file or of the port propagate to the caller, which reports
    // them; the file is closed either way.
    void UploadCells(ITransferHost& host);

    bool Busy() const { return Busy_; }
    // The last transfer ran to its end but its replies were out of step with its commands (a
    // reply no command asked for, or one owed and given up that came later): the download
    // then failed with its own log line and kept the old file; the upload completed with
    // errors, since its rejections may have been charged to the wrong lines.
    bool RepliesOutOfStep() const { return RepliesOutOfStep_; }
    // The last transfer got as far as its completion line: the download's file replaced, or
    // every line of the upload sent. Set before that line is logged, so a host that fails to
    // log it knows that nothing is left to abort.
    bool Completed() const { return Completed_; }
    bool ErrorsReported() const { return ErrorsReported_; }
    const std::string& UploadLine() const { return UploadLine_; }
    std::int32_t UploadLineCount() const { return UploadLineCount_; }

  private:
    using TCellSink = std::function<void(int cell, const std::string& value)>;

    void RunDownload(ITransferHost& host, const std::string& target);
    bool QueryEveryCell(ITransferHost& host, const TCellSink& store, const TCellSink& refuse);
    void RunUpload(ITransferHost& host, const std::string& source);
    void StoreCell(ITransferHost& host, int cell, const TCellSink& store, const TCellSink& refuse);
    void CountLines(TCellFileReader& file);
    bool CheckRepliesInStep();
    void ReportDownloadStatus(ITransferHost& host, const TCellSink& refuse = {}, int cell = 0);
    void ReportUploadStatus(ITransferHost& host, const std::string& source);
    void ReportWhereUploadStopped(ITransferHost& host, const std::string& source,
                                  std::int32_t line);
    void ReportError(ITransferHost& host, const std::string& text);
    bool RefuseWhileBusy(ITransferHost& host);

    TInstrumentLink& Link_;
    // What the log calls the running query of every cell: "Download" or "Verify".
    const char* Activity_ = "Download";
    bool ErrorsReported_ = false;
    std::string UploadLine_;
    std::int32_t UploadLineCount_ = 0;
    bool Busy_ = false;
    bool RepliesOutOfStep_ = false;
    bool Completed_ = false;
};

}  // namespace norvane::device
