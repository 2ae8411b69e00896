#include "device/stale_part_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string_view>

namespace norvane::device {

namespace {

// Reads a decimal number without sign or leading zeros up to the next '.'; advances text.
bool TakeNumber(std::string_view& text, long& value) {
    const auto dot = text.find('.');
    const std::string_view digits = text.substr(0, dot);
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0') ||
        dot == std::string_view::npos) {
        return false;
    }
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return false;
    }
    text.remove_prefix(dot + 1);
    return true;
}

bool ProcessIsGone(long pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

bool OursToRemove(int directory, const char* name) {
    struct stat st {};
    return ::fstatat(directory, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           st.st_uid == ::geteuid();
}

// Whether name is ".<targetName>.<pid>.<n>.part" with pid and n in decimal; pid is set then.
bool IsPartFileName(const std::string& name, const std::string& targetName, long& pid) {
    const std::string prefix = "." + targetName + ".";
    if (targetName.empty() || !name.starts_with(prefix)) {
        return false;
    }
    std::string_view rest(name);
    rest.remove_prefix(prefix.size());
    long number = 0;
    long found = 0;
    if (!TakeNumber(rest, found) || !TakeNumber(rest, number) || rest != "part") {
        return false;
    }
    pid = found;
    return true;
}

}  // namespace

void RemoveStalePartFiles(const std::string& directory, const std::string& targetName) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    DIR* entries = ::fdopendir(fd);
    if (entries == nullptr) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        long pid = 0;
        if (IsPartFileName(entry->d_name, targetName, pid) && ProcessIsGone(pid) &&
            OursToRemove(fd, entry->d_name)) {
            ::unlinkat(fd, entry->d_name, 0);
        }
    }
    ::closedir(entries);
}

}  // namespace norvane::device
