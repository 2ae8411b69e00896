#pragma once
// The desktop program's command line.
//
// Options of its own start with "--"; arguments with a single dash ("-platform xcb",
// "-style fusion") belong to Qt and are left for QApplication, which removes them from
// argv itself.

#include <optional>
#include <string>
#include <vector>

namespace norvane::app {

// The name --version and the usage errors give the program.
inline constexpr char kProgramName[] = "norvane";

struct TProgramOptions {
    bool ShowHelp = false;
    bool ShowVersion = false;
    // Run against the bundled instrument simulator instead of a real serial line.
    bool Demo = false;
    // The settings file; none means the default beside the executable (in demo mode always
    // a temporary one).
    std::optional<std::string> SettingsPath;
    // Not in the help: write pictures of every window into this directory and end. Implies
    // Demo (the pictures show a transfer).
    std::optional<std::string> ScreenshotDirectory;
};

// args without the program name. Throws base::TUsageError for an unknown "--" option, a
// missing value, or --settings together with --demo (or --screenshots). Accepts "--settings FILE"
// and "--settings=FILE" alike.
TProgramOptions ParseProgramOptions(const std::vector<std::string>& args);

// The --help text.
std::string UsageText();

}  // namespace norvane::app
