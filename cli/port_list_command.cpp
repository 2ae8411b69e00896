#include "cli/port_list_command.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/visible_text.h"
#include "serial/ports/port_listing.h"
#include "session/port_settings_file.h"

namespace norvane::cli {

namespace {

using TRow = std::array<std::string, 5>;

// Adapter strings come from the USB device itself: shown as text, never as terminal
// control sequences.
std::string OrDash(const std::string& text) {
    return text.empty() ? "-" : base::VisibleText(text, base::TControlSet::Terminal);
}

// Columns padded to their widest entry, two blanks apart; the last one is not padded.
void WriteTable(std::ostream& out, const std::vector<TRow>& rows) {
    std::array<std::size_t, 5> widths{};
    for (const TRow& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    for (const TRow& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            line += row[column];
            if (column + 1 < row.size()) {
                line += std::string(widths[column] - row[column].size() + 2, ' ');
            }
        }
        out << line << '\n';
    }
}

}  // namespace

int ListPortsCommand(const TCliOptions& options, std::ostream& out, serial::TPortMap& map,
                     const serial::TPortDescriber& describer) {
    const std::string settingsPath = options.SettingsFile.value_or(session::DefaultSettingsPath());
    session::ApplyPortDeviceAssignments(settingsPath, map);
    std::vector<TRow> rows{{"PORT", "DEVICE", "STABLE NAME", "ADAPTER", "STATE"}};
    for (const serial::TPortListing& port : serial::ListPorts(map, describer)) {
        rows.push_back({std::to_string(port.Port), OrDash(port.Device), OrDash(port.StableName),
                        OrDash(port.Description), serial::StateText(port)});
    }
    WriteTable(out, rows);
    if (rows.size() == 1) {
        out << "No port number means a device: this machine has no serial device, and "
            << base::VisibleText(settingsPath, base::TControlSet::Terminal) << " assigns none.\n";
    }
    out << std::flush;
    return 0;
}

}  // namespace norvane::cli
