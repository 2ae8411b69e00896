#include "base/command_line_usage.h"

#include "base/visible_text.h"
#include "norvane_version.h"

namespace norvane::base {

std::string VersionText(std::string_view program) {
    return std::string(program) + " " + kVersion + "\n";
}

std::string UsageErrorText(std::string_view program, std::string_view why) {
    const std::string name(program);
    return name + ": " + VisibleText(why, TControlSet::Terminal) + "\nTry '" + name + " --help'.\n";
}

}  // namespace norvane::base
