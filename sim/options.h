#pragma once
// The simulator's command line.

#include <optional>
#include <string>
#include <vector>

#include "sim/fault_plan.h"
#include "sim/reply_delivery.h"

namespace norvane::sim {

// The name --version and the usage errors give the program.
inline constexpr char kProgramName[] = "norvane-instrument";

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

// Parses the arguments after the program name. Throws base::TUsageError, which main()
// answers with exit code 2.
TOptions ParseOptions(const std::vector<std::string>& args);

// A cell list as the options take it: "7", "1,5,9", "10-20", "1,100-110". Throws
// base::TUsageError for malformed lists and cells outside the table.
std::vector<int> ParseCellList(const std::string& text);

std::string UsageText();

}  // namespace norvane::sim
