#include "session/port_settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "base/link_following.h"
#include "serial/ports/port_map.h"
#include "session/settings_ini.h"

namespace norvane::session {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSection = "ComPortSettings";
constexpr const char* kDeviceSection = "PortDevices";

// All of text as a decimal integer, or nothing.
std::optional<int> ParseInteger(const char* text) {
    if (text == nullptr || *text == '\0') {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

int ReadIndex(const CSimpleIniA& ini, const char* key, int fallback) {
    return ParseInteger(ini.GetValue(kSection, key, nullptr)).value_or(fallback);
}

[[noreturn]] void FailToWrite(const std::string& path) {
    throw std::runtime_error("Unable to write to " + path);
}

// The file the name leads to: a settings file reached through a symbolic link stays a link,
// unless another user planted that link in a shared folder.
fs::path WriteTarget(const std::string& path) {
    try {
        return base::ResolveLinksForWriting(path);
    } catch (const base::TWritePathError& refused) {
        throw std::runtime_error("Unable to write to " + path + ": " + refused.what());
    }
}

// Creates a new file beside target, named so that no other writer picks the same name.
// Returns its descriptor and name, or -1.
int CreateSibling(const fs::path& target, std::string& name) {
    static std::atomic<unsigned> counter{0};
    name = target.string() + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1));
    return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Replaces target's contents with bytes in one step; keeps an existing file's permissions.
bool ReplaceFile(const fs::path& target, const std::string& bytes) {
    std::string temporary;
    const int fd = CreateSibling(target, temporary);
    if (fd < 0) {
        return false;
    }
    struct stat existing {};
    bool ok = WriteAll(fd, bytes);
    if (ok && ::stat(target.c_str(), &existing) == 0) {
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
    }
    return ok;
}

}  // namespace

TPortSettingIndexes LoadPortSettingIndexes(const std::string& path) {
    TPortSettingIndexes indexes;
    CSimpleIniA ini;
    if (!LoadSettingsFile(ini, path)) {
        return indexes;
    }
    indexes.ComPort = ReadIndex(ini, "ComPort", indexes.ComPort);
    indexes.BaudRate = ReadIndex(ini, "BaudRate", indexes.BaudRate);
    indexes.Parity = ReadIndex(ini, "Parity", indexes.Parity);
    indexes.DataBits = ReadIndex(ini, "DataBits", indexes.DataBits);
    indexes.StopBits = ReadIndex(ini, "StopBits", indexes.StopBits);
    return indexes;
}

void SavePortSettingIndexes(const std::string& path, const TPortSettingIndexes& indexes,
                            const std::optional<TPortDeviceEntry>& pin) {
    const fs::path target = WriteTarget(path);
    std::error_code error;
    const bool exists = fs::exists(target, error);
    // A file the user marked read-only stays as it is, as it would under the platform's own
    // profile functions (the rename below would otherwise replace it regardless).
    if (error || (exists && ::access(target.c_str(), W_OK) != 0)) {
        FailToWrite(path);
    }
    CSimpleIniA ini;
    ini.SetSpaces(false);  // "key=value", as the platform's profile functions write it
    if (exists && !LoadSettingsFile(ini, target)) {
        FailToWrite(path);
    }
    const std::pair<const char*, int> values[] = {{"ComPort", indexes.ComPort},
                                                  {"BaudRate", indexes.BaudRate},
                                                  {"Parity", indexes.Parity},
                                                  {"DataBits", indexes.DataBits},
                                                  {"StopBits", indexes.StopBits}};
    for (const auto& [key, value] : values) {
        if (ini.SetValue(kSection, key, std::to_string(value).c_str()) < 0) {
            FailToWrite(path);
        }
    }
    if (pin) {
        const std::string key = std::to_string(pin->Port);
        const char* assigned = ini.GetValue(kDeviceSection, key.c_str(), "");
        if (*assigned == '\0' &&
            ini.SetValue(kDeviceSection, key.c_str(), pin->Device.c_str()) < 0) {
            FailToWrite(path);
        }
    }
    std::string bytes;
    if (ini.Save(bytes) < 0 || !ReplaceFile(target, bytes)) {
        FailToWrite(path);
    }
}

std::map<int, std::string> LoadPortDeviceAssignments(const std::string& path) {
    std::map<int, std::string> devices;
    CSimpleIniA ini;
    if (!LoadSettingsFile(ini, path)) {
        return devices;
    }
    CSimpleIniA::TNamesDepend keys;
    ini.GetAllKeys(kDeviceSection, keys);
    for (const auto& key : keys) {
        const std::optional<int> port = ParseInteger(key.pItem);
        const char* device = ini.GetValue(kDeviceSection, key.pItem, "");
        if (port && *port > 0 && *device != '\0') {
            devices[*port] = device;
        }
    }
    return devices;
}

void ApplyPortDeviceAssignments(const std::string& path, serial::TPortMap& map) {
    map.ClearAssignments();
    for (const auto& [port, device] : LoadPortDeviceAssignments(path)) {
        map.Assign(port, device);
    }
}

namespace {

// Where packages install programs. Root can write there, but a file Norvane left beside an
// installed program belongs to no package and outlives a purge.
bool IsSystemFolder(const std::filesystem::path& directory) {
    static const std::filesystem::path kSystemFolders[] = {
        "/usr", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32", "/opt", "/snap"};
    const std::filesystem::path normal = directory.lexically_normal();
    return std::any_of(std::begin(kSystemFolders), std::end(kSystemFolders),
                       [&normal](const std::filesystem::path& system) {
                           const auto [end, unused] = std::mismatch(system.begin(), system.end(),
                                                                    normal.begin(), normal.end());
                           return end == system.end();
                       });
}

}  // namespace

std::string SettingsPathFor(const std::filesystem::path& executableDir,
                            const std::string& xdgConfigHome, const std::string& home) {
    const std::filesystem::path beside = executableDir / "Norvane.ini";
    std::error_code error;
    const bool usersOwnCopy =
        !IsSystemFolder(executableDir) || std::filesystem::exists(beside, error);
    if ((usersOwnCopy && ::access(executableDir.c_str(), W_OK) == 0) || home.empty()) {
        return beside.string();
    }
    const std::filesystem::path configHome = xdgConfigHome.empty()
                                                 ? std::filesystem::path(home) / ".config"
                                                 : std::filesystem::path(xdgConfigHome);
    return (configHome / "Norvane" / "Norvane.ini").string();
}

std::string DefaultSettingsPath() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto directory = error ? std::filesystem::current_path() : executable.parent_path();
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string path = SettingsPathFor(directory, xdg ? xdg : "", home ? home : "");
    // Saving writes beside the file; its folder must exist. A failure shows up there.
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    return path;
}

}  // namespace norvane::session
