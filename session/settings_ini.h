#pragma once
// Reading the settings file into the ini parser without trusting what stands at its path.
// The parser alone would open a folder and ask for an allocation of 2^63 bytes (its size as
// the kernel reports it), and would wait forever on a pipe for a writer.

#include <SimpleIni.h>

#include <string>

namespace norvane::session {

// A settings file is a few hundred bytes; anything far larger is not one.
inline constexpr long kMaxSettingsFileSize = 1 << 20;

// Loads the file at path into ini. False, with nothing loaded, when there is no such file or
// it is no settings file: a folder, a device or a pipe (opened without waiting for a
// writer), a file larger than kMaxSettingsFileSize, or one that cannot be read.
bool LoadSettingsFile(CSimpleIniA& ini, const std::string& path);

}  // namespace norvane::session
