#include "base/recording_target.h"

#include <unistd.h>

#include <filesystem>

#include "base/link_following.h"

namespace norvane::base {

TRecordingTarget InspectRecordingTarget(const std::string& path) {
    TRecordingTarget target;
    try {
        target.Path = ResolveLinksForWriting(path);
    } catch (const TWritePathError& refused) {
        target.Refusal = refused.what();
        return target;
    }
    struct stat existing {};
    if (::lstat(target.Path.c_str(), &existing) != 0) {
        // Nothing there, or nothing we can see: creating it will tell.
        struct stat folder {};
        const std::string folderPath = std::filesystem::path(target.Path).parent_path().string();
        if (::stat(folderPath.empty() ? "." : folderPath.c_str(), &folder) == 0) {
            target.CreationMode = RecordingCreationMode(folder);
        }
        return target;
    }
    target.Existing = existing;
    if (const std::string reason = ReasonNotToRecordInto(existing, ::geteuid()); !reason.empty()) {
        target.Refusal = (target.Path == path ? std::string("it") : target.Path) + " " + reason;
    }
    return target;
}

std::string ReasonNotToRecordInto(const struct stat& existing, uid_t user) {
    if (S_ISFIFO(existing.st_mode)) {
        return "is a FIFO";
    }
    if (S_ISDIR(existing.st_mode)) {
        return "is a folder";
    }
    if (!S_ISREG(existing.st_mode)) {
        return "is no regular file";
    }
    if (existing.st_uid != user) {
        return "belongs to another user";
    }
    if (existing.st_nlink > 1) {
        return "has other hard links";
    }
    return {};
}

mode_t RecordingCreationMode(const struct stat& folder) {
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return shared ? 0600 : 0666;
}

}  // namespace norvane::base
