#include "ui/port_settings_file.h"

#include <SimpleIni.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

namespace norvane::ui {

namespace {

constexpr const char* kSection = "ComPortSettings";

// A value counts only when all of it is a decimal integer.
int ReadIndex(const CSimpleIniA& ini, const char* key, int fallback) {
    const char* text = ini.GetValue(kSection, key, nullptr);
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX) {
        return fallback;
    }
    return static_cast<int>(value);
}

}  // namespace

TPortSettingIndexes LoadPortSettingIndexes(const std::string& path) {
    TPortSettingIndexes indexes;
    CSimpleIniA ini;
    if (ini.LoadFile(path.c_str()) < 0) {
        return indexes;
    }
    indexes.ComPort = ReadIndex(ini, "ComPort", indexes.ComPort);
    indexes.BaudRate = ReadIndex(ini, "BaudRate", indexes.BaudRate);
    indexes.Parity = ReadIndex(ini, "Parity", indexes.Parity);
    indexes.DataBits = ReadIndex(ini, "DataBits", indexes.DataBits);
    indexes.StopBits = ReadIndex(ini, "StopBits", indexes.StopBits);
    return indexes;
}

std::string DefaultSettingsPath() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto directory = error ? std::filesystem::current_path() : executable.parent_path();
    return (directory / "Norvane.ini").string();
}

}  // namespace norvane::ui
