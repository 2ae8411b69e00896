#include "base/link_following.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

namespace norvane::base {

namespace {

constexpr int kMaxLinks = 40;  // the kernel's own limit for one lookup

// The names between slashes, without the empty ones and ".".
std::deque<std::string> PartsOf(const std::string& path) {
    std::deque<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        std::string part = path.substr(start, slash - start);
        if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = slash + 1;
    }
    return parts;
}

// The resolved prefix is kept without a trailing slash, so the root is "".
std::string AsPath(const std::string& prefix) {
    return prefix.empty() ? "/" : prefix;
}

std::string ParentOf(const std::string& prefix) {
    const std::size_t slash = prefix.rfind('/');
    return slash == std::string::npos ? "" : prefix.substr(0, slash);
}

std::string CurrentFolder() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            throw TWritePathError(std::string("cannot find the current folder: ") +
                                  std::strerror(errno));
        }
        buffer.resize(buffer.size() * 2);
    }
    const std::string folder(buffer.data());
    return folder == "/" ? "" : folder;
}

std::string LinkText(const std::string& link) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (length < 0) {
            throw TWritePathError("cannot read the symbolic link " + link + ": " +
                                  std::strerror(errno));
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

void CheckMayFollow(const std::string& link, const struct stat& linkStatus,
                    const std::string& folder) {
    struct stat folderStatus {};
    if (::stat(AsPath(folder).c_str(), &folderStatus) != 0) {
        throw TWritePathError("cannot examine the folder " + AsPath(folder) + ": " +
                              std::strerror(errno));
    }
    if (!MayFollowLink(linkStatus, folderStatus, ::geteuid())) {
        throw TWritePathError("not following the symbolic link " + link +
                              ", which another user made in the shared folder " + AsPath(folder));
    }
}

std::string JoinedRest(std::string prefix, const std::deque<std::string>& rest) {
    for (const std::string& part : rest) {
        prefix += "/" + part;
    }
    return AsPath(prefix);
}

}  // namespace

bool MayFollowLink(const struct stat& link, const struct stat& folder, uid_t user) {
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == user || link.st_uid == folder.st_uid;
}

std::string ResolveLinksForWriting(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    std::string resolved = path.front() == '/' ? "" : CurrentFolder();
    std::deque<std::string> pending = PartsOf(path);
    int linksFollowed = 0;
    while (!pending.empty()) {
        const std::string part = pending.front();
        pending.pop_front();
        if (part == "..") {
            resolved = ParentOf(resolved);  // exact: what we resolved so far holds no link
            continue;
        }
        const std::string next = resolved + "/" + part;
        struct stat status {};
        if (::lstat(next.c_str(), &status) != 0) {
            if (linksFollowed == 0) {
                return path;
            }
            return JoinedRest(next, pending);
        }
        if (!S_ISLNK(status.st_mode)) {
            resolved = next;
            continue;
        }
        CheckMayFollow(next, status, resolved);
        if (++linksFollowed > kMaxLinks) {
            throw TWritePathError("too many symbolic links on the way");
        }
        const std::string text = LinkText(next);
        if (!text.empty() && text.front() == '/') {
            resolved.clear();
        }
        std::deque<std::string> target = PartsOf(text);
        pending.insert(pending.begin(), target.begin(), target.end());
    }
    return linksFollowed == 0 ? path : AsPath(resolved);
}

}  // namespace norvane::base
