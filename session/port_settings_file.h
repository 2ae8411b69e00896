#pragma once
// The port settings the program keeps in "Norvane.ini" beside its executable.
//
// The file stores list positions, not values (section "ComPortSettings", keys "ComPort",
// "BaudRate", "Parity", "DataBits", "StopBits", each the zero-based index of the chosen
// entry of its list), so that the desktop program's dialog and the command line read the
// same file the same way. A missing file, section or key, or a value that is not an
// integer, means that key's default.

#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace norvane::serial {
class TPortMap;
}

namespace norvane::session {

// The entries of the five lists, index 0 first.
inline constexpr std::array<int, 16> kPortEntries{1, 2,  3,  4,  5,  6,  7,  8,
                                                  9, 10, 11, 12, 13, 14, 15, 16};
inline constexpr std::array<int, 6> kBaudEntries{1200, 2400, 4800, 9600, 19200, 38400};
inline constexpr std::array<const char*, 3> kParityEntries{"none", "odd", "even"};
inline constexpr std::array<int, 2> kDataBitsEntries{7, 8};
inline constexpr std::array<int, 2> kStopBitsEntries{1, 2};

// Selected indexes, as stored. An index outside its list means "no selection".
struct TPortSettingIndexes {
    int ComPort = 0;   // port 1
    int BaudRate = 3;  // 9600
    int Parity = 0;    // none
    int DataBits = 1;  // 8
    int StopBits = 0;  // 1
};

// Reads the indexes from the file at path; defaults where anything is missing.
TPortSettingIndexes LoadPortSettingIndexes(const std::string& path);

// A port number and the device it is to mean from now on.
struct TPortDeviceEntry {
    int Port = 0;
    std::string Device;
};

// Writes the five indexes into the file at path, in the order of the list above, keeping
// everything else the file holds; creates the file if missing. With `pin`, the
// "PortDevices" section also assigns pin.Device to pin.Port, unless it assigns that port a
// device already (an entry the user wrote stays as written). The file is replaced as a
// whole (a new file renamed over the old one), so a crash leaves either the old or the new
// file, never a mixture. Throws std::runtime_error("Unable to write to " + path) when the
// file cannot be written (including when an existing file cannot be read, which would
// otherwise lose its other contents); the file is then unchanged. A path through a symbolic
// link writes the file the link leads to, unless another user planted the link in a shared
// folder (base/link_following.h): then the message goes on with ": " and names the link.
void SavePortSettingIndexes(const std::string& path, const TPortSettingIndexes& indexes,
                            const std::optional<TPortDeviceEntry>& pin = std::nullopt);

// The "PortDevices" section: port number -> device path. Keys that are not a positive
// integer and empty values are ignored; a missing file or section gives an empty map.
std::map<int, std::string> LoadPortDeviceAssignments(const std::string& path);

// Makes `map` hold exactly the file's "PortDevices" assignments (earlier explicit ones are
// dropped), so that the desktop program and the command line agree on what port n means.
void ApplyPortDeviceAssignments(const std::string& path, serial::TPortMap& map);

// "Norvane.ini" in the directory of the running executable, where the program keeps its
// settings, when that copy of the program is the user's own: its directory is writable and
// is no system folder (/usr, /bin, /opt and the like), or a Norvane.ini is there already.
// Otherwise, as for an installed program (also run as root, who could write to /usr/bin
// but would leave a file no package knows), the file lives in the user's configuration
// directory ($XDG_CONFIG_HOME/Norvane, else ~/.config/Norvane, created on the way), so that
// saving the port settings works on every installation.
std::string DefaultSettingsPath();

// The rule above with its inputs given: the executable's directory, the XDG configuration
// home (may be empty) and the home directory. Creates nothing.
std::string SettingsPathFor(const std::filesystem::path& executableDir,
                            const std::string& xdgConfigHome, const std::string& home);

}  // namespace norvane::session
