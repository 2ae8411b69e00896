#include "serial/linux/port_holders.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace norvane::serial {

namespace {

namespace fs = std::filesystem;

// The multiplexer every pty's controller is opened through: major 5, minor 2.
constexpr unsigned kPtmxMajor = 5;
constexpr unsigned kPtmxMinor = 2;
// Pty terminal sides are numbered from major 136 on, 256 to a major.
constexpr unsigned kPtsFirstMajor = 136;
constexpr unsigned kPtsLastMajor = 143;

std::optional<pid_t> PidOf(const fs::path& entry) {
    const std::string name = entry.filename().string();
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (error != std::errc() || end != name.data() + name.size() || pid <= 0) {
        return std::nullopt;
    }
    return pid;
}

// The pty number of a terminal side, nullopt for any other device.
std::optional<long> PtyIndex(dev_t device) {
    const unsigned major = ::major(device);
    if (major < kPtsFirstMajor || major > kPtsLastMajor) {
        return std::nullopt;
    }
    return static_cast<long>(major - kPtsFirstMajor) * 256 + static_cast<long>(::minor(device));
}

// The "tty-index:" of a pty controller's descriptor, nullopt when the line is missing.
std::optional<long> ControllerIndex(const fs::path& fdInfo) {
    std::ifstream in(fdInfo);
    for (std::string line; std::getline(in, line);) {
        constexpr std::string_view kKey = "tty-index:";
        if (!line.starts_with(kKey)) {
            continue;
        }
        const std::size_t first = line.find_first_not_of(" \t", kKey.size());
        long index = 0;
        if (first != std::string::npos &&
            std::from_chars(line.data() + first, line.data() + line.size(), index).ec ==
                std::errc()) {
            return index;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

// What a folder holds now, as far as it can be read: a process may end, or close
// descriptors, while we look, and what is gone holds nothing.
std::vector<fs::path> Entries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        entries.push_back(it->path());
    }
    return entries;
}

// "N" or "LOW-HIGH", as the major and minor columns of /proc/tty/drivers give them.
bool InRange(const std::string& range, unsigned value) {
    unsigned low = 0;
    unsigned high = 0;
    const char* end = range.data() + range.size();
    const auto first = std::from_chars(range.data(), end, low);
    high = low;
    if (first.ptr != end && *first.ptr == '-') {
        std::from_chars(first.ptr + 1, end, high);
    }
    return first.ec == std::errc() && value >= low && value <= high;
}

std::string VisibleName(std::string name) {
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        c = byte < 0x20 || byte == 0x7F ? '?' : c;
    }
    return name;
}

}  // namespace

std::string InUseText(const TPortHolder& holder) {
    const std::string pid = "pid " + std::to_string(holder.Pid);
    return "in use by " + (holder.Name.empty() ? pid : holder.Name + " (" + pid + ")");
}

TPortHolderFinder::TPortHolderFinder(fs::path procDir, fs::path lockDir)
    : ProcDir_(std::move(procDir)), LockDir_(std::move(lockDir)) {}

std::optional<TPortHolder> TPortHolderFinder::Find(const std::string& devicePath) const {
    struct stat node {};
    if (::stat(devicePath.c_str(), &node) != 0 || !S_ISCHR(node.st_mode) ||
        !IsSerialTerminal(node.st_rdev)) {
        return std::nullopt;
    }
    if (std::optional<TPortHolder> opener = FindOpener(node.st_rdev)) {
        return opener;
    }
    return FindLockOwner(devicePath);
}

// Every process has /dev/null open, many /dev/tty (which stands for each one's own
// terminal): only the kernel's terminal drivers name devices whose other users matter.
bool TPortHolderFinder::IsSerialTerminal(dev_t device) const {
    std::ifstream drivers(ProcDir_ / "tty" / "drivers");
    for (std::string line; std::getline(drivers, line);) {
        std::istringstream fields(line);
        std::string name, node, majors, minors, type;
        if (fields >> name >> node >> majors >> minors >> type && !type.starts_with("system") &&
            InRange(majors, ::major(device)) && InRange(minors, ::minor(device))) {
            return true;
        }
    }
    return false;
}

std::optional<TPortHolder> TPortHolderFinder::FindOpener(dev_t device) const {
    for (const fs::path& process : Entries(ProcDir_)) {
        const std::optional<pid_t> pid = PidOf(process);
        if (pid && *pid != ::getpid() && HoldsDevice(process, device)) {
            return Describe(*pid);
        }
    }
    return std::nullopt;
}

bool TPortHolderFinder::HoldsDevice(const fs::path& processDir, dev_t device) const {
    const std::optional<long> ptyIndex = PtyIndex(device);
    bool holds = false;
    for (const fs::path& fd : Entries(processDir / "fd")) {
        struct stat target {};
        if (::stat(fd.c_str(), &target) != 0 || !S_ISCHR(target.st_mode)) {
            continue;
        }
        if (target.st_rdev == device) {
            holds = true;
        } else if (ptyIndex && target.st_rdev == ::makedev(kPtmxMajor, kPtmxMinor) &&
                   ControllerIndex(processDir / "fdinfo" / fd.filename()) == ptyIndex) {
            return false;  // the line's far end
        }
    }
    return holds;
}

std::optional<TPortHolder> TPortHolderFinder::FindLockOwner(const std::string& devicePath) const {
    const std::optional<pid_t> pid = ForeignLockOwner(UucpLockPath(LockDir_, devicePath));
    return pid ? std::optional<TPortHolder>(Describe(*pid)) : std::nullopt;
}

TPortHolder TPortHolderFinder::Describe(pid_t pid) const {
    std::ifstream comm(ProcDir_ / std::to_string(pid) / "comm");
    std::string name;
    std::getline(comm, name);
    return TPortHolder{pid, VisibleName(name)};
}

}  // namespace norvane::serial
