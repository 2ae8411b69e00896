#include "sim/simulator.h"

#include <optional>
#include <stdexcept>

#include "sim/cell_table_file.h"
#include "sim/command_journal.h"
#include "sim/instrument.h"
#include "sim/line_link.h"
#include "sim/line_server.h"
#include "sim/serial_endpoint.h"
#include "sim/stop_signal.h"

namespace norvane::sim {

namespace {

TCellTable InitialCells(const TOptions& options) {
    return options.CellsFile ? LoadCellTable(*options.CellsFile) : TCellTable();
}

TSerialEndpoint OpenEndpoint(const TOptions& options) {
    return options.DevicePath ? TSerialEndpoint::OpenDevice(*options.DevicePath)
                              : TSerialEndpoint::OpenPseudoTerminal();
}

void SaveIfAsked(const TOptions& options, const TInstrument& instrument) {
    if (options.SaveFile) {
        SaveCellTable(instrument.Cells(), *options.SaveFile);
    }
}

// A table that took a whole session to fill is worth saving even when the line failed;
// neither failure may hide the other.
void ServeThenSave(TLineServer& server, const TOptions& options, const TInstrument& instrument) {
    std::optional<std::string> lineFailure;
    try {
        server.Run();
    } catch (const std::exception& e) {
        lineFailure = e.what();
    }
    try {
        SaveIfAsked(options, instrument);
    } catch (const std::exception& e) {
        throw std::runtime_error(lineFailure ? *lineFailure + "; " + e.what() : e.what());
    }
    if (lineFailure) {
        throw std::runtime_error(*lineFailure);
    }
}

}  // namespace

void RunSimulator(const TOptions& options, std::ostream& announce) {
    // First, so that a stop signal during start-up is held until we can act on it.
    TStopSignal stop;
    TInstrument instrument(InitialCells(options), options.Faults);
    std::optional<TCommandJournal> journal;
    if (options.JournalFile) {
        journal.emplace(*options.JournalFile);
    }
    TSerialEndpoint endpoint = OpenEndpoint(options);
    std::optional<TLineLink> link;
    if (options.LinkPath) {
        link.emplace(*options.LinkPath, endpoint.ClientPath());
    }
    announce << endpoint.ClientPath() << '\n' << std::flush;
    TLineServer server(endpoint.Fd(), instrument, options.Delivery, options.Preamble,
                       journal ? &*journal : nullptr, stop);
    ServeThenSave(server, options, instrument);
}

}  // namespace norvane::sim
