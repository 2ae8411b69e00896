#pragma once
// The simulator's command line.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/fault_plan.h"
#include "sim/reply_delivery.h"

namespace norvane::sim {

// A command line we cannot act on. main() answers it with exit code 2.
class TUsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct TOptions {
    bool ShowHelp = false;
    bool ShowVersion = false;
    std::optional<std::string> CellsFile;
    std::optional<std::string> SaveFile;
    std::optional<std::string> JournalFile;
    std::optional<std::string> LinkPath;
    std::optional<std::string> DevicePath;  // a real tty instead of a new pseudo-terminal
    TFaultPlan Faults;
    TReplyDelivery Delivery;
    TPreamble Preamble;
};

// Parses the arguments after the program name. Throws TUsageError.
TOptions ParseOptions(const std::vector<std::string>& args);

// A cell list as the options take it: "7", "1,5,9", "10-20", "1,100-110". Throws
// TUsageError for malformed lists and cells outside the table.
std::vector<int> ParseCellList(const std::string& text);

std::string UsageText();

// The --version text: the program's name and version, one line.
std::string VersionText();

}  // namespace norvane::sim
