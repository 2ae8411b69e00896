#include "cli/transfer_runner.h"

#include "cli/console_host.h"
#include "cli/interrupt_watch.h"
#include "device/cell_transfer.h"
#include "device/instrument_link.h"
#include "serial/application_hooks.h"
#include "serial/com_port.h"
#include "serial/port_map.h"
#include "serial/serial_layer.h"
#include "ui/instrument_session.h"
#include "ui/port_settings_file.h"

namespace norvane::cli {

namespace {

void ApplyLineSettings(serial::TVexaComPort& port, const TLineSettings& line) {
    port.SetComNumber(static_cast<std::uint16_t>(line.Port));
    port.SetBaud(line.Baud);
    port.SetParity(static_cast<serial::TParity>(line.Parity));
    port.SetDataBits(static_cast<std::uint16_t>(line.DataBits));
    port.SetStopBits(static_cast<std::uint16_t>(line.StopBits));
}

int ExitCodeFor(const device::TInstrumentLink& link, const device::TCellTransfer& transfer,
                const TConsoleHost& console) {
    if (console.ErrorShown()) {
        return ecUsageOrFileOrPort;
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

}  // namespace

int RunTransfer(const TCliOptions& options, std::ostream& log, std::ostream& errors,
                bool interactive) {
    TConsoleHost console(options.File, log, errors, interactive);
    // A failure no procedure handled (a serial worker thread that died, say) ends the run
    // as a port failure, whatever the transfer made of it.
    bool unhandledFailure = false;
    serial::SetExceptionReport([&console, &unhandledFailure](const std::exception& failure) {
        unhandledFailure = true;
        console.ReportFailure(failure.what());
    });
    serial::TSerialLayerScope serialLayer;

    const std::string settingsPath = options.SettingsFile.value_or(ui::DefaultSettingsPath());
    TLineSettings line;
    try {
        line = ResolveLineSettings(options, ui::LoadPortSettingIndexes(settingsPath));
    } catch (const std::exception& failure) {
        console.ReportFailure(failure.what());
        return ecUsageOrFileOrPort;
    }
    ui::ApplyPortDeviceAssignments(settingsPath, serial::PortMap());
    if (options.Device) {
        serial::PortMap().Assign(line.Port, *options.Device);
    }

    ui::TInstrumentSession session;
    serial::TVexaComPort& port = session.ComPort();
    device::TInstrumentLink& link = session.Link();
    device::TCellTransfer& transfer = session.Transfer();

    try {
        ApplyLineSettings(port, line);
        link.AddLineTrigger();
        TInterruptWatch interrupts([&link] { link.Abort(); });
        if (options.Command == TCommand::Download) {
            transfer.DownloadCells(console);
        } else {
            transfer.UploadCells(console);
        }
    } catch (const std::exception& failure) {
        console.ReportFailure(failure.what());
        return ecUsageOrFileOrPort;
    }
    return unhandledFailure ? ecUsageOrFileOrPort : ExitCodeFor(link, transfer, console);
}

}  // namespace norvane::cli
