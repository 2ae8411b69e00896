#include "cli/transfer_runner.h"

#include <memory>

#include "cli/console_host.h"
#include "cli/interrupt_watch.h"
#include "cli/port_settings.h"
#include "cli/qt_link_host.h"
#include "device/cell_transfer.h"
#include "device/instrument_link.h"
#include "serial/application_hooks.h"
#include "serial/com_port.h"
#include "serial/com_port_device_port.h"
#include "serial/port_map.h"
#include "serial/qt_message_target.h"
#include "serial/serial_layer.h"

namespace norvane::cli {

namespace {

// The port as the desktop program's settings dialog holds it.
void LoadStoredPortValues(serial::TVexaComPort& port) {
    port.SetWindowFactory([](serial::TMessageHandler handler) {
        return std::make_unique<serial::TQtMessageTarget>(std::move(handler));
    });
    port.BeginLoad();
    port.SetComNumber(1);
    port.SetBaud(9600);
    port.SetInSize(45000);
    port.SetOutSize(45000);
    port.SetTraceName("VEXA.TRC");
    port.SetLogName("VEXA.LOG");
    port.EndLoad();
}

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
    serial::SetExceptionReport(
        [&console](const std::exception& failure) { console.ReportFailure(failure.what()); });
    serial::TSerialLayerScope serialLayer;

    TLineSettings line;
    try {
        line = ResolveLineSettings(
            options, LoadPortSettingIndexes(options.SettingsFile.value_or(DefaultSettingsPath())));
    } catch (const std::exception& failure) {
        console.ReportFailure(failure.what());
        return ecUsageOrFileOrPort;
    }
    if (options.Device) {
        serial::PortMap().Assign(line.Port, *options.Device);
    }

    serial::TVexaComPort port;
    LoadStoredPortValues(port);
    serial::TComPortDevicePort devicePort(port);
    device::TInstrumentLink* linkForTimer = nullptr;
    TQtLinkHost host([&linkForTimer] { linkForTimer->TimeOutTimerTimer(); });
    device::TInstrumentLink link(devicePort, host);
    linkForTimer = &link;
    devicePort.ConnectHandlers(link);
    device::TCellTransfer transfer(link);

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
    return ExitCodeFor(link, transfer, console);
}

}  // namespace norvane::cli
