#include "app/runnable_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace norvane::app {

std::optional<std::string> WhyNotToRun(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::string(std::strerror(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        return "not a regular file";
    }
    if (::access(path.c_str(), X_OK) != 0) {
        return "not executable";
    }
    if (status.st_uid != ::geteuid() && status.st_uid != 0) {
        return "owned by another user";
    }
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return "writable by other users";
    }
    return std::nullopt;
}

}  // namespace norvane::app
