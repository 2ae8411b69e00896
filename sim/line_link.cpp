#include "sim/line_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <stdexcept>

#include "sim/system_error.h"

namespace norvane::sim {

namespace {

void RefuseToReplaceNonLink(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            return;
        }
        throw SystemError("cannot examine " + path);
    }
    if (!S_ISLNK(status.st_mode)) {
        throw std::runtime_error("refusing to replace " + path + ": not a symbolic link");
    }
}

bool PointsAt(const std::string& linkPath, const std::string& target) {
    char buffer[PATH_MAX];
    const ssize_t length = readlink(linkPath.c_str(), buffer, sizeof buffer);
    return length >= 0 && std::string(buffer, static_cast<std::size_t>(length)) == target;
}

}  // namespace

TLineLink::TLineLink(std::string linkPath, std::string target)
    : LinkPath_(std::move(linkPath)), Target_(std::move(target)) {
    RefuseToReplaceNonLink(LinkPath_);
    // Made under a private name and renamed into place, so that the name never points
    // nowhere and a concurrent reader sees either the old link or the new one.
    const std::string temporary = LinkPath_ + ".new." + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(Target_.c_str(), temporary.c_str()) != 0) {
        throw SystemError("cannot create the link " + temporary);
    }
    if (rename(temporary.c_str(), LinkPath_.c_str()) != 0) {
        const auto error = SystemError("cannot create the link " + LinkPath_);
        unlink(temporary.c_str());
        throw error;
    }
}

TLineLink::~TLineLink() {
    if (PointsAt(LinkPath_, Target_)) {
        unlink(LinkPath_.c_str());
    }
}

}  // namespace norvane::sim
