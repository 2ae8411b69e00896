#include "serial/linux/uucp_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "serial/linux/device_node.h"

namespace norvane::serial {

namespace {

// Enough for any text form a lock file takes; a longer file is not a lock file.
constexpr std::size_t kLockFileLimit = 64;

std::optional<pid_t> ParsePidText(const std::string& text) {
    std::size_t at = text.find_first_not_of(" \t");
    long long pid = 0;
    std::size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
        pid = pid * 10 + (text[at] - '0');
        if (pid > INT32_MAX) {
            return std::nullopt;
        }
    }
    if (digits == 0 || text.find_first_not_of(" \t\r\n", at) != std::string::npos) {
        return std::nullopt;
    }
    return pid > 0 ? std::optional<pid_t>(static_cast<pid_t>(pid)) : std::nullopt;
}

// O_EXCL with O_NOFOLLOW: a name someone else put there, link or file, is never written.
int CreateLockFile(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

bool WritePid(int fd) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    return ::write(fd, text, static_cast<std::size_t>(length)) == length;
}

bool IsProcessAlive(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

}  // namespace

std::filesystem::path UucpLockPath(const std::filesystem::path& lockDir,
                                   const std::string& devicePath) {
    const std::string node = DeviceNode(devicePath);
    const std::filesystem::path name =
        std::filesystem::path(node.empty() ? devicePath : node).filename();
    return lockDir / ("LCK.." + name.string());
}

std::optional<pid_t> ReadUucpLockPid(const std::filesystem::path& lockFile) {
    const int fd = ::open(lockFile.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    char bytes[kLockFileLimit + 1];
    const ssize_t length = ::read(fd, bytes, sizeof bytes);
    ::close(fd);
    if (length <= 0 || static_cast<std::size_t>(length) > kLockFileLimit) {
        return std::nullopt;
    }
    if (length == sizeof(std::int32_t)) {
        // Four bytes are either a binary pid or a short text one ("123\n"); text wins.
        if (const std::optional<pid_t> text = ParsePidText(std::string(bytes, 4))) {
            return text;
        }
        std::int32_t binary = 0;
        std::memcpy(&binary, bytes, sizeof binary);
        return binary > 0 ? std::optional<pid_t>(binary) : std::nullopt;
    }
    return ParsePidText(std::string(bytes, static_cast<std::size_t>(length)));
}

std::optional<pid_t> ForeignLockOwner(const std::filesystem::path& lockFile) {
    const std::optional<pid_t> pid = ReadUucpLockPid(lockFile);
    if (!pid || *pid == ::getpid() || !IsProcessAlive(*pid)) {
        return std::nullopt;
    }
    return pid;
}

bool TUucpLock::Acquire(const std::filesystem::path& lockDir, const std::string& devicePath) {
    Release();
    const std::filesystem::path path = UucpLockPath(lockDir, devicePath);
    int fd = CreateLockFile(path);
    // A lock whose owner has gone (or that we left behind ourselves) may be taken over.
    if (fd < 0 && errno == EEXIST && !ForeignLockOwner(path)) {
        ::unlink(path.c_str());
        fd = CreateLockFile(path);
    }
    if (fd < 0) {
        return false;
    }
    const bool written = WritePid(fd);
    ::close(fd);
    if (!written) {
        ::unlink(path.c_str());
        return false;
    }
    Path_ = path;
    return true;
}

void TUucpLock::Release() {
    if (Path_.empty()) {
        return;
    }
    // Another program may have taken over a lock it thought stale: leave its file alone.
    if (ReadUucpLockPid(Path_) == ::getpid()) {
        ::unlink(Path_.c_str());
    }
    Path_.clear();
}

}  // namespace norvane::serial
