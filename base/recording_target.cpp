#include "base/recording_target.h"

namespace norvane::base {

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
