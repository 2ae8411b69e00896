#include "cli/transfer_runner.h"

#include <algorithm>
#include <optional>

#include "cli/cell_comparison_report.h"
#include "cli/console_host.h"
#include "device/cell_transfer.h"
#include "device/instrument_link.h"
#include "serial/component/com_port.h"
#include "serial/component/held_devices.h"
#include "serial/component/open_attempt_text.h"
#include "serial/errors/application_hooks.h"
#include "serial/errors/errno_mapping.h"
#include "serial/errors/serial_layer.h"
#include "serial/ports/port_map.h"
#include "session/instrument_session.h"
#include "session/port_settings_file.h"
#include "session/termination_watch.h"

namespace norvane::cli {

namespace {

int ExitCodeFor(const device::TInstrumentLink& link, const device::TCellTransfer& transfer,
                const TConsoleHost& console) {
    if (console.ErrorShown()) {
        return ecUsageOrFileOrPort;
    }
    // A line no command asked for may have changed the status after the last command.
    if (transfer.RepliesOutOfStep() && link.ReplyStatus() != device::rsAborted) {
        return transfer.Completed() ? ecCompletedWithErrors : ecFailed;
    }
    switch (link.ReplyStatus()) {
        case device::rsNoConnection:
        case device::rsUnexpectedReply:
        case device::rsFileMissing:
            return ecFailed;
        case device::rsAborted:
            return ecAborted;
        default:
            return transfer.ErrorsReported() ? ecCompletedWithErrors : ecComplete;
    }
}

// How the verdict of a verify names the instrument: by its device, else by its port.
std::string InstrumentPlace(const TCliOptions& options, const session::TLineSettings& line) {
    if (options.Device) {
        return *options.Device;
    }
    return serial::PortMap().DevicePath(line.Port).value_or("port " + std::to_string(line.Port));
}

// The instrument's cells against the file; the verdict's exit code, or the conversation's
// own when it did not get through every cell.
int VerifyInstrument(const TCliOptions& options, const session::TLineSettings& line,
                     const device::TCellTable& file, session::TInstrumentSession& session,
                     TConsoleHost& console) {
    device::TCellTable instrument = InstrumentCells();
    console.SetUnit("cells");
    if (!session.Transfer().VerifyCells(console, instrument)) {
        return ExitCodeFor(session.Link(), session.Transfer(), console);
    }
    return ReportVerification(file, instrument, InstrumentPlace(options, line), options.File,
                              [&console](const std::string& text) { console.AppendLogLine(text); });
}

session::TRecordingRequest RecordingRequestFrom(const TCliOptions& options) {
    session::TRecordingRequest request;
    request.TraceFile = options.TraceFile.value_or(std::string());
    request.LogFile = options.LogFile.value_or(std::string());
    request.TraceSize = options.TraceSize;
    request.LogSize = options.LogSize;
    return request;
}

// The failure's own text, then which device was tried and what is wrong with it: the
// serial layer's texts alone ("Is a directory") leave a user guessing.
std::string OpenFailureText(const std::exception& failure, const TCliOptions& options,
                            const session::TLineSettings& line) {
    const std::optional<int> port = options.Device ? std::nullopt : std::optional<int>(line.Port);
    const std::optional<std::string> device =
        options.Device ? options.Device : serial::PortMap().DevicePath(line.Port);
    const std::string attempt = serial::OpenAttemptText(
        port, device, serial::FailureResultCode(failure), serial::PortMap());
    return std::string(failure.what()) + (attempt.empty() ? "" : "\n" + attempt);
}

}  // namespace

int RunTransfer(const TCliOptions& options, std::ostream& log, std::ostream& errors,
                bool interactive) {
    TConsoleHost console(options.File, log, errors, interactive,
                         options.Command == TCommand::Upload ? "lines" : "cells");
    // A failure no procedure handled (a serial worker thread that died, say) ends the run
    // as a port failure, whatever the transfer made of it.
    bool unhandledFailure = false;
    serial::SetExceptionReport([&console, &unhandledFailure](const std::exception& failure) {
        unhandledFailure = true;
        console.ReportFailure(failure.what());
    });

    // Up before the port opens and down only after it has closed: a signal in between
    // must unwind through the close, or the port would stay locked against other users and
    // a download's partial file would stay behind.
    device::TInstrumentLink* abortTarget = nullptr;
    session::TTerminationWatch termination([&abortTarget](int) {
        if (abortTarget != nullptr) {
            abortTarget->Abort();
        }
    });
    serial::TSerialLayerScope serialLayer;

    const std::string settingsPath = options.SettingsFile.value_or(session::DefaultSettingsPath());
    session::TLineSettings line;
    try {
        line = ResolveLineSettings(options, session::LoadPortSettingIndexes(settingsPath),
                                   settingsPath);
    } catch (const std::exception& failure) {
        console.ReportFailure(failure.what());
        return ecUsageOrFileOrPort;
    }
    serial::SetOpenHeldDevices(options.Force);
    session::ApplyPortDeviceAssignments(settingsPath, serial::PortMap());
    if (options.Device) {
        serial::PortMap().Assign(line.Port, *options.Device);
    }

    session::TInstrumentSession session;
    serial::TVexaComPort& port = session.ComPort();
    device::TInstrumentLink& link = session.Link();
    device::TCellTransfer& transfer = session.Transfer();
    // The signal is delivered by the event loop, which runs only while a transfer waits for a
    // reply: inside the transfer, where an Abort holds until the transfer has ended.
    abortTarget = &link;
    // Once the transfer has completed, the log is all that is lost: its outcome stands.
    console.SetLogLostHandler([&link, &transfer] {
        if (transfer.Completed()) {
            return false;
        }
        link.Abort();
        return true;
    });

    session::TTransferRecording& recording = session.Recording();
    recording.SetRequest(RecordingRequestFrom(options));
    int exitCode = ecUsageOrFileOrPort;
    try {
        // Read before anything touches the line: a file that is no cell file ends here.
        std::optional<device::TCellTable> fileToVerify;
        if (options.Command == TCommand::Verify || options.Verify) {
            fileToVerify = CellFileToVerify(options.File);
        }
        ApplyLineSettings(port, line);
        recording.Arm();
        bool aborted = false;
        try {
            link.AddLineTrigger();  // opens the port
        } catch (const std::exception& failure) {
            if (port.Open()) {
                throw;
            }
            if (serial::FailureResultCode(failure) != serial::ResultFromErrno(ECANCELED)) {
                throw std::runtime_error(OpenFailureText(failure, options, line));
            }
            // A signal ended the wait for a network server: the user's Abort.
            console.AppendLogLine(options.Command == TCommand::Download
                                      ? "Download aborted by user."
                                      : "Upload aborted by user.");
            aborted = true;
            exitCode = ecAborted;
        }
        if (!aborted) {
            switch (options.Command) {
                case TCommand::Download:
                    transfer.DownloadCells(console);
                    exitCode = ExitCodeFor(link, transfer, console);
                    break;
                case TCommand::Verify:
                    exitCode = VerifyInstrument(options, line, *fileToVerify, session, console);
                    break;
                default:
                    transfer.UploadCells(console);
                    exitCode = ExitCodeFor(link, transfer, console);
                    // Rejected lines or not: what the instrument now holds is the question.
                    if (options.Verify && transfer.Completed()) {
                        exitCode = std::max(exitCode, VerifyInstrument(options, line, *fileToVerify,
                                                                       session, console));
                    }
                    break;
            }
            if (const std::string lost = session.DisconnectionText(); !lost.empty()) {
                console.ReportFailure(lost);
            }
        }
    } catch (const std::exception& failure) {
        console.ReportFailure(failure.what());
    }
    abortTarget = nullptr;
    // After the outcome: a recording that cannot be written is said, and changes nothing
    // about how the transfer ended.
    for (const std::string& failure : recording.Finish()) {
        console.ReportFailure("norvane-cli: " + failure);
    }
    return unhandledFailure ? ecUsageOrFileOrPort : exitCode;
}

}  // namespace norvane::cli
