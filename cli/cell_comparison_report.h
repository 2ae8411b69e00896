#pragma once
// What norvane-cli says of a comparison of two cell tables (verify, upload --verify, diff):
// one line per difference, then the verdict, each escaped for the terminal as every other
// line it prints.

#include <functional>
#include <ostream>
#include <string>

#include "cli/cli_options.h"
#include "device/cell_comparison.h"

namespace norvane::cli {

// Receives each line of the report (unescaped); the caller prints it.
using TReportLine = std::function<void(const std::string&)>;

// The cell file at `path` as the first table of a verify: "file", compared on what an
// instrument can answer of each line. Throws device::TCellFileError by the reader's rules.
device::TCellTable CellFileToVerify(const std::string& path);
// An empty table for the instrument's cells.
device::TCellTable InstrumentCells();

// Reports the comparison of the instrument on `device` with `file` (CellFileToVerify) and
// returns the exit code: complete when they match, completed with errors when not.
int ReportVerification(const device::TCellTable& file, const device::TCellTable& instrument,
                       const std::string& device, const std::string& path, const TReportLine& say);

// `norvane-cli diff A B`: prints to out, a file that cannot be read to errors.
int DiffCommand(const TCliOptions& options, std::ostream& out, std::ostream& errors);

}  // namespace norvane::cli
