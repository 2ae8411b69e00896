#include "cli/cell_comparison_report.h"

#include "base/visible_text.h"
#include "cli/transfer_runner.h"
#include "device/cell_file.h"
#include "device/instrument_link.h"

namespace norvane::cli {

namespace {

std::string CellCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " cell" : " cells");
}

// The differences, then "SUBJECT matches OTHER (N cells)." or "SUBJECT differs from OTHER
// in K cells."; the exit code to go with it.
int Report(const device::TCellComparison& comparison, const std::string& subject,
           const std::string& other, const TReportLine& say) {
    for (const std::string& difference : comparison.Differences) {
        say(difference);
    }
    if (comparison.Differences.empty()) {
        say(subject + " matches " + other + " (" + CellCount(comparison.Cells) + ").");
        return ecComplete;
    }
    say(subject + " differs from " + other + " in " + CellCount(comparison.Differences.size()) +
        ".");
    return ecCompletedWithErrors;
}

device::TCellTable CellFile(const std::string& path, std::string name, std::string where) {
    device::TCellTable table;
    table.Name = std::move(name);
    table.Where = std::move(where);
    table.Lines = device::ReadCellFileLines(path);
    return table;
}

}  // namespace

device::TCellTable CellFileToVerify(const std::string& path) {
    device::TCellTable file = CellFile(path, "file", "in the file");
    file.CutAfter = device::TInstrumentLink::kReplyValueLength;
    return file;
}

device::TCellTable InstrumentCells() {
    device::TCellTable instrument;
    instrument.Name = "instrument";
    instrument.Where = "on the instrument";
    return instrument;
}

int ReportVerification(const device::TCellTable& file, const device::TCellTable& instrument,
                       const std::string& device, const std::string& path, const TReportLine& say) {
    return Report(device::CompareCellTables(file, instrument), "Instrument on " + device, path,
                  say);
}

int DiffCommand(const TCliOptions& options, std::ostream& out, std::ostream& errors) {
    const auto visible = [](const std::string& text) {
        return base::VisibleText(text, base::TControlSet::Terminal);
    };
    device::TCellTable first;
    device::TCellTable second;
    try {
        first = CellFile(options.File, options.File, "in " + options.File);
        second = CellFile(options.SecondFile, options.SecondFile, "in " + options.SecondFile);
    } catch (const std::exception& failure) {
        errors << "norvane-cli: " << visible(failure.what()) << '\n';
        return ecUsageOrFileOrPort;
    }
    const int verdict =
        Report(device::CompareCellTables(first, second), options.File, options.SecondFile,
               [&](const std::string& line) { out << visible(line) << '\n'; });
    if (!out.flush()) {
        // A verdict nobody read is no verdict: a script must not take silence for a match.
        errors << "norvane-cli: cannot write the comparison to standard output\n";
        return ecUsageOrFileOrPort;
    }
    return verdict;
}

}  // namespace norvane::cli
