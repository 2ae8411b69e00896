#pragma once
// The command line of norvane-cli.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/line_settings.h"
#include "session/port_settings_file.h"

namespace norvane::cli {

// The name --version and the usage errors give the program.
inline constexpr char kProgramName[] = "norvane-cli";

enum class TCommand { Download, Upload, Verify, Diff, Ports };

struct TCliOptions {
    bool ShowHelp = false;
    bool ShowVersion = false;
    TCommand Command = TCommand::Download;
    std::string File;        // download, upload, verify; diff's first file
    std::string SecondFile;  // diff's second file
    // After an upload that completed, verify the instrument against the same file.
    bool Verify = false;
    std::optional<std::string> Device;  // a device path, in place of a port number
    std::optional<int> Port;
    std::optional<int> Baud;
    std::optional<int> Parity;  // 0 none, 1 odd, 2 even
    std::optional<int> DataBits;
    std::optional<int> StopBits;
    std::optional<std::string> SettingsFile;
    // Open the device even when another program holds it without a lock.
    bool Force = false;
    // Recording of what went over the line, written when the transfer ends.
    std::optional<std::string> TraceFile;
    std::optional<std::string> LogFile;
    std::uint32_t TraceSize = 10000;  // entries
    std::uint32_t LogSize = 10000;    // bytes
};

// Throws base::TUsageError. "--" ends the options: every argument after it is a command or a file.
TCliOptions ParseCliOptions(const std::vector<std::string>& args);

// The line settings to use: the command line's where given, else the settings file's.
// Throws std::runtime_error with the settings dialog's own wording ("'' is not a valid
// integer value") when the file holds an index outside its list for a value the command
// line does not give; a second line names settingsPath and the key, e.g.
// "in s.ini: [ComPortSettings] BaudRate=99".
session::TLineSettings ResolveLineSettings(const TCliOptions& options,
                                           const session::TPortSettingIndexes& stored,
                                           const std::string& settingsPath);

// A settings file the user named must be there: a typing error would otherwise run the
// transfer on the defaults. Throws std::runtime_error naming the file and the cause.
void CheckSettingsFileReadable(const std::string& path);

std::string UsageText();

}  // namespace norvane::cli
