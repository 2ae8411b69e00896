#include "app/program_options.h"

#include "base/command_line_usage.h"

namespace norvane::app {

namespace {

// The value of a "--name VALUE" or "--name=VALUE" option at args[index]; advances index
// past what it used.
std::string TakeValue(const std::vector<std::string>& args, std::size_t& index,
                      const std::string& name) {
    const std::string& arg = args[index];
    if (arg.size() > name.size() && arg[name.size()] == '=') {
        return arg.substr(name.size() + 1);
    }
    if (index + 1 >= args.size()) {
        throw base::TUsageError(name + " needs a value");
    }
    return args[++index];
}

bool Names(const std::string& arg, const std::string& name) {
    return arg == name || arg.starts_with(name + "=");
}

}  // namespace

TProgramOptions ParseProgramOptions(const std::vector<std::string>& args) {
    TProgramOptions options;
    for (std::size_t index = 0; index < args.size(); ++index) {
        const std::string& arg = args[index];
        if (arg == "--help" || arg == "-h") {
            options.ShowHelp = true;
        } else if (arg == "--version") {
            options.ShowVersion = true;
        } else if (arg == "--demo") {
            options.Demo = true;
        } else if (Names(arg, "--settings")) {
            options.SettingsPath = TakeValue(args, index, "--settings");
        } else if (Names(arg, "--screenshots")) {
            options.ScreenshotDirectory = TakeValue(args, index, "--screenshots");
            options.Demo = true;
        } else if (arg.starts_with("--")) {
            throw base::TUsageError("unknown option '" + arg + "'");
        }
        // Anything else is Qt's (QApplication takes it) or a stray word Qt ignores.
    }
    if (options.Demo && options.SettingsPath) {
        // The demo's settings file says where its instrument is; a user's file cannot.
        throw base::TUsageError("--settings cannot be combined with --demo");
    }
    return options;
}

std::string UsageText() {
    return "Usage: norvane [OPTION]...\n"
           "Copies the cell table of a data-logging instrument to and from cell files\n"
           "over a serial line.\n"
           "\n"
           "  --demo            talk to the bundled instrument simulator instead of a serial\n"
           "                    line: port 1 is the simulator's line for this run, and the\n"
           "                    port settings are not saved\n"
           "  --settings FILE   keep the port settings in FILE instead of Norvane.ini beside\n"
           "                    the program\n"
           "  -h, --help        show this help\n"
           "  --version         show the program's version\n"
           "\n"
           "Qt's own options (-platform, -style, ...) are accepted too.\n";
}

}  // namespace norvane::app
