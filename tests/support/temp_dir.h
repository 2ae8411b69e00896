#pragma once
// A fresh directory for one test, removed with everything in it afterwards.

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace norvane::test {

class TTempDir {
  public:
    TTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "norvane-test-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        Path_ = pattern;
    }
    ~TTempDir() {
        std::error_code ignored;
        std::filesystem::permissions(Path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(Path_, ignored);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    std::string operator/(const std::string& name) const { return (Path_ / name).string(); }
    const std::filesystem::path& Path() const { return Path_; }

    // Names of the entries, sorted, so a test can see that nothing was left behind.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Path_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::filesystem::path Path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline bool RunningAsRoot() {
    return ::geteuid() == 0;
}

// Whether file permissions bind this process: true for an ordinary user and for root without
// the capability to override them (how tests/support/run-unprivileged runs a case when nobody
// cannot reach the build tree), false for root as usual.
inline bool PermissionsBind() {
    constexpr unsigned long long kDacOverride = 1ULL << 1;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("CapEff:", 0) == 0) {
            return (std::stoull(line.substr(7), nullptr, 16) & kDacOverride) == 0;
        }
    }
    return !RunningAsRoot();
}

}  // namespace norvane::test
