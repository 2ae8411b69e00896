#include "session/settings_ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace norvane::session {

namespace {

// The whole of a regular file of at most kMaxSettingsFileSize bytes, or false.
bool ReadSettingsBytes(int fd, std::string& bytes) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size > kMaxSettingsFileSize) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;  // the file shrank meanwhile: what was read is all there is
        }
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return true;
}

}  // namespace

bool LoadSettingsFile(CSimpleIniA& ini, const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::string bytes;
    const bool read = ReadSettingsBytes(fd, bytes);
    ::close(fd);
    return read && ini.LoadData(bytes) >= 0;
}

}  // namespace norvane::session
