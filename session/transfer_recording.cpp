#include "session/transfer_recording.h"

#include <cstdlib>
#include <filesystem>

#include "base/recording_target.h"
#include "session/settings_ini.h"

namespace norvane::session {

namespace {

constexpr const char* kSection = "Diagnostics";
// The port component keeps no longer names; a shortened one would write elsewhere.
constexpr std::size_t kLongestFileName = 255;

std::uint32_t ReadSize(const CSimpleIniA& ini, const char* key) {
    const char* text = ini.GetValue(kSection, key, "");
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value < 1 || value > 0x7fffffff) {
        return 10000;
    }
    return static_cast<std::uint32_t>(value);
}

std::string ReadFileName(const CSimpleIniA& ini, const char* key,
                         const std::filesystem::path& folder) {
    const std::string name = ini.GetValue(kSection, key, "");
    if (name.empty() || std::filesystem::path(name).is_absolute()) {
        return name;
    }
    return (folder / name).string();
}

}  // namespace

TRecordingRequest LoadRecordingRequest(const std::string& path) {
    TRecordingRequest request;
    CSimpleIniA ini;
    if (!LoadSettingsFile(ini, path)) {
        return request;
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    request.TraceFile = ReadFileName(ini, "Trace", folder);
    request.LogFile = ReadFileName(ini, "Log", folder);
    request.TraceSize = ReadSize(ini, "TraceSize");
    request.LogSize = ReadSize(ini, "LogSize");
    return request;
}

void TTransferRecording::Arm() {
    Refused_.clear();
    const auto armOne = [this](const std::string& file, const char* what, bool log) {
        if (file.empty()) {
            return;
        }
        if (file.size() > kLongestFileName) {
            Refused_.push_back(std::string("cannot record the ") + what + " to " + file +
                               ": the name is longer than 255 characters");
            return;
        }
        // The dump refuses the same files by a bare "access denied"; asking first gives the
        // user the reason.
        if (const std::string refusal = base::InspectRecordingTarget(file).Refusal;
            !refusal.empty()) {
            Refused_.push_back(std::string("cannot record the ") + what + " to " + file + ": " +
                               refusal);
            return;
        }
        try {
            if (log) {
                Port_.SetLogName(file);
                Port_.SetLogSize(Request_.LogSize);
                Port_.SetLogging(serial::tlOn);
            } else {
                Port_.SetTraceName(file);
                Port_.SetTraceSize(Request_.TraceSize);
                Port_.SetTracing(serial::tlOn);
            }
        } catch (const std::exception& failure) {
            Refused_.push_back(std::string("cannot record the ") + what + " to " + file + ": " +
                               failure.what());
        }
    };
    armOne(Request_.TraceFile, "trace", false);
    armOne(Request_.LogFile, "log", true);
}

std::vector<std::string> TTransferRecording::Finish() {
    std::vector<std::string> failures = std::move(Refused_);
    Refused_.clear();
    const auto dumpOne = [this, &failures](const std::string& file, const char* what, bool log) {
        if (file.empty()) {
            return;
        }
        try {
            // Something may have taken the name while the transfer ran.
            const bool recording = (log ? Port_.Logging() : Port_.Tracing()) != serial::tlOff;
            if (const std::string refusal =
                    recording ? base::InspectRecordingTarget(file).Refusal : "";
                !refusal.empty()) {
                log ? Port_.SetLogging(serial::tlOff) : Port_.SetTracing(serial::tlOff);
                failures.push_back(std::string("cannot write the ") + what + " to " + file + ": " +
                                   refusal);
                return;
            }
            log ? Port_.SetLogging(serial::tlDump) : Port_.SetTracing(serial::tlDump);
        } catch (const std::exception& failure) {
            failures.push_back(std::string("cannot write the ") + what + " to " + file + ": " +
                               failure.what());
        }
    };
    dumpOne(Request_.TraceFile, "trace", false);
    dumpOne(Request_.LogFile, "log", true);
    return failures;
}

}  // namespace norvane::session
