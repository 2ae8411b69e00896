#include "cli/cli_options.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <functional>
#include <map>
#include <stdexcept>

#include "base/command_line_usage.h"
#include "serial/errors/errno_mapping.h"

namespace norvane::cli {

namespace {

int ParseInteger(const std::string& text, const std::string& option, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        throw base::TUsageError(option + " takes a whole number from " + std::to_string(low) +
                                " to " + std::to_string(high) + ", not '" + text + "'");
    }
    return value;
}

int ParseChoice(const std::string& text, const std::string& option,
                const std::vector<std::string>& choices) {
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (text == choices[i]) {
            return static_cast<int>(i);
        }
    }
    std::string list;
    for (const auto& choice : choices) {
        list += (list.empty() ? "" : "|") + choice;
    }
    throw base::TUsageError(option + " takes " + list + ", not '" + text + "'");
}

// An empty name would otherwise reach the transfer and fail there without a subject
// ("Upload failed -  does not exist!").
std::string NonEmpty(const std::string& text, const std::string& subject,
                     const char* what = "a file name") {
    if (text.empty()) {
        throw base::TUsageError(subject + " needs " + what);
    }
    return text;
}

using TSetter = std::function<void(TCliOptions&, const std::string&)>;

const std::map<std::string, TSetter>& ValueOptions() {
    static const std::map<std::string, TSetter> options{
        {"--device",
         [](TCliOptions& o, const std::string& v) {
             o.Device = NonEmpty(v, "--device", "a device path or a network address");
         }},
        {"--port",
         [](TCliOptions& o, const std::string& v) { o.Port = ParseInteger(v, "--port", 1, 255); }},
        {"--baud", [](TCliOptions& o,
                      const std::string& v) { o.Baud = ParseInteger(v, "--baud", 50, 4'000'000); }},
        {"--parity",
         [](TCliOptions& o, const std::string& v) {
             o.Parity = ParseChoice(v, "--parity", {"none", "odd", "even"});
         }},
        {"--data-bits",
         [](TCliOptions& o, const std::string& v) {
             o.DataBits = ParseChoice(v, "--data-bits", {"7", "8"}) + 7;
         }},
        {"--stop-bits",
         [](TCliOptions& o, const std::string& v) {
             o.StopBits = ParseChoice(v, "--stop-bits", {"1", "2"}) + 1;
         }},
        {"--settings",
         [](TCliOptions& o, const std::string& v) { o.SettingsFile = NonEmpty(v, "--settings"); }},
        {"--trace",
         [](TCliOptions& o, const std::string& v) { o.TraceFile = NonEmpty(v, "--trace"); }},
        {"--log", [](TCliOptions& o, const std::string& v) { o.LogFile = NonEmpty(v, "--log"); }},
        {"--trace-size",
         [](TCliOptions& o, const std::string& v) {
             o.TraceSize =
                 static_cast<std::uint32_t>(ParseInteger(v, "--trace-size", 1, 4'000'000));
         }},
        {"--log-size",
         [](TCliOptions& o, const std::string& v) {
             o.LogSize = static_cast<std::uint32_t>(ParseInteger(v, "--log-size", 64, 16'000'000));
         }},
    };
    return options;
}

// Takes "--name=value" or "--name value"; returns false when arg is no value option.
bool TakeValueOption(const std::vector<std::string>& args, std::size_t& i, TCliOptions& options) {
    const std::string& arg = args[i];
    const auto equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const auto option = ValueOptions().find(name);
    if (option == ValueOptions().end()) {
        return false;
    }
    if (equals != std::string::npos) {
        option->second(options, arg.substr(equals + 1));
        return true;
    }
    if (i + 1 >= args.size()) {
        throw base::TUsageError(name + " needs a value");
    }
    option->second(options, args[++i]);
    return true;
}

template <std::size_t N, typename T>
T Entry(const std::array<T, N>& list, int index, const char* key, const std::string& path) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) {
        // The settings dialog converts the empty text of a list without selection; the
        // second line says where the index came from, which the dialog shows by itself.
        throw std::runtime_error("'' is not a valid integer value\nin " + path +
                                 ": [ComPortSettings] " + key + "=" + std::to_string(index));
    }
    return list[static_cast<std::size_t>(index)];
}

}  // namespace

TCliOptions ParseCliOptions(const std::vector<std::string>& args) {
    TCliOptions options;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            options.ShowHelp = true;
            return options;
        }
        if (arg == "--version") {
            options.ShowVersion = true;
            return options;
        }
        if (arg == "--force") {
            options.Force = true;
            continue;
        }
        if (arg == "--verify") {
            options.Verify = true;
            continue;
        }
        if (TakeValueOption(args, i, options)) {
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            throw base::TUsageError("unknown option '" + arg + "'");
        }
        positional.push_back(arg);
    }
    const bool lineOptions = options.Device || options.Port || options.Baud || options.Parity ||
                             options.DataBits || options.StopBits || options.TraceFile ||
                             options.LogFile || options.Force || options.Verify;
    if (positional.size() == 1 && positional[0] == "ports") {
        if (lineOptions) {
            throw base::TUsageError("ports takes no line options, only --settings FILE");
        }
        options.Command = TCommand::Ports;
        return options;
    }
    if (positional.size() == 3 && positional[0] == "diff") {
        if (lineOptions || options.SettingsFile) {
            throw base::TUsageError("diff compares two files and takes no options");
        }
        options.Command = TCommand::Diff;
        options.File = NonEmpty(positional[1], "diff");
        options.SecondFile = NonEmpty(positional[2], "diff", "two file names");
        return options;
    }
    if (positional.size() != 2) {
        throw base::TUsageError(
            "expected a command and a file: download FILE, upload FILE or verify FILE; or diff "
            "FILE FILE, or the command ports");
    }
    options.Command = static_cast<TCommand>(
        ParseChoice(positional[0], "the command", {"download", "upload", "verify"}));
    options.File = NonEmpty(positional[1], positional[0]);
    if (options.Device && options.Port) {
        throw base::TUsageError("give either --device or --port, not both");
    }
    if (options.Verify && options.Command != TCommand::Upload) {
        throw base::TUsageError("--verify goes with upload only (verify FILE checks without one)");
    }
    return options;
}

session::TLineSettings ResolveLineSettings(const TCliOptions& options,
                                           const session::TPortSettingIndexes& stored,
                                           const std::string& settingsPath) {
    const std::string& path = settingsPath;
    session::TLineSettings line;
    line.Port = options.Port     ? *options.Port
                : options.Device ? 1
                                 : Entry(session::kPortEntries, stored.ComPort, "ComPort", path);
    line.Baud = options.Baud ? *options.Baud
                             : Entry(session::kBaudEntries, stored.BaudRate, "BaudRate", path);
    // A stored parity without a valid entry leaves the parity as it was: none.
    const bool parityStored = stored.Parity >= 0 && stored.Parity < 3;
    line.Parity = static_cast<serial::TParity>(options.Parity ? *options.Parity
                                               : parityStored ? stored.Parity
                                                              : 0);
    line.DataBits = options.DataBits
                        ? *options.DataBits
                        : Entry(session::kDataBitsEntries, stored.DataBits, "DataBits", path);
    line.StopBits = options.StopBits
                        ? *options.StopBits
                        : Entry(session::kStopBitsEntries, stored.StopBits, "StopBits", path);
    return line;
}

void CheckSettingsFileReadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error("cannot read the settings file " + path + ": " +
                                 serial::HostErrorText(errno));
    }
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    if (!regular) {
        throw std::runtime_error("cannot read the settings file " + path + ": not a regular file");
    }
}

std::string UsageText() {
    return R"(Usage: norvane-cli download FILE [options]
       norvane-cli upload FILE [--verify] [options]
       norvane-cli verify FILE [options]
       norvane-cli diff FILE1 FILE2
       norvane-cli ports [--settings FILE]

download  reads cells 1 to 1899 from the instrument into the cell file FILE; an existing
          FILE is replaced only when the download completes.
upload    sends every line of the cell file FILE to the instrument; with --verify, then
          checks as verify does that the instrument holds what FILE says.
verify    reads every cell as download does, writes no file, and lists each cell in
          which the instrument differs from FILE: "cell 12: file has '...', instrument
          has '...'", "cell 40: only in the file", "cell 41: only on the instrument".
          Lines are matched by the cell number they begin with, and compared on the 30
          characters the instrument answers with.
diff      the same comparison between two cell files, e.g. two backups.
ports     lists what each port number means now: the device, its stable name (the
          /dev/serial/by-id or by-path link that survives replugging), the adapter, and
          whether it is available, busy (held by another program), in use by a program that
          has it open without locking it (named with its pid), no permission or missing;
          for a network device whether it is reachable, refused, gives no answer, names an
          unknown host or is unusable (no address Norvane understands), all tried at once.

The line:
  --device PATH         the serial device (e.g. /dev/ttyUSB0), in place of a port number;
                        or a serial device server on the network: rfc2217://HOST:PORT
                        (line settings go to the server) or socket://HOST:PORT (raw TCP,
                        the server's own line settings apply); an IPv6 HOST in brackets
  --port N              port N: the device Norvane.ini's [PortDevices] assigns to N, else
                        the next serial device no entry names, USB adapters first
  --baud RATE           bits per second
  --parity none|odd|even
  --data-bits 7|8
  --stop-bits 1|2
  --settings FILE       read the defaults from FILE instead of Norvane.ini
  --force               open the device even when another program has it open or holds
                        its lock file in /var/lock (it may take replies meant for Norvane)
  --verify              with upload: verify the instrument against FILE afterwards

Recording, for a field engineer (written when the transfer ends, whatever its outcome):
  --trace FILE          every byte sent and received
  --log FILE            the serial layer's time-stamped dispatch log
  --trace-size N        bytes the trace keeps, the newest (default 10000)
  --log-size N          bytes the log keeps, the newest (default 10000)

  --                    ends the options, for a FILE whose name begins with "-"
Whatever is not given comes from Norvane.ini beside the program (the desktop program's
port settings), else port 1, 9600 baud, no parity, 8 data bits, 1 stop bit.
[PortDevices] may also assign a network device to a number (3=rfc2217://10.0.0.5:4001).

The message log goes to standard output, failures and progress to standard error.
Ctrl-C aborts the transfer as the Abort button does; a second Ctrl-C, 2 s or more
after the first, quits at once (a sooner one is taken for the same request).

Examples:
  norvane-cli upload site-a.nvf --verify --device /dev/ttyUSB0
  norvane-cli verify site-a.nvf --port 2
  norvane-cli diff monday.nvf tuesday.nvf

  -h, --help            show this help
  --version             show the program's version

Exit status:
  0  complete; verify and diff: the tables match
  1  completed with errors (the instrument rejected some cells or lines); verify and
     diff: the tables differ; upload --verify: the worse of the upload and the verify
  2  failed: no connection, an unknown reply, replies out of step with the commands
     (an upload then completes with errors: 1), or the upload file does not exist
  3  aborted
  4  a wrong command line, or a file or port error
)";
}

}  // namespace norvane::cli
