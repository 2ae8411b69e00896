#include "serial/linux/port_holders.h"

#include "driver_test_support.h"
#include "other_process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace norvane::serial {
namespace {

using norvane::test::TTempDir;
using norvane::test::WriteFile;
using testing::TOtherProcess;
using testing::TPtyController;

std::string HolderText(const std::optional<TPortHolder>& holder) {
    return holder ? InUseText(*holder) : "";
}

// The far end of a pseudo-terminal holds its controller and often its terminal side too;
// holding another line's controller makes no far end of this one.
TEST(PortHolderFinderTest, AnotherProcessWithTheLineOpenHoldsItUnlessItIsItsFarEnd) {
    TTempDir locks;
    TPtyController line, other;
    struct TCase {
        const char* Name;
        std::vector<int> Drops;  // the controllers the opener does not keep
        bool Counts;
    };
    const std::vector<TCase> cases{
        {"plain open", {line.Fd(), other.Fd()}, true},
        {"far end of this line", {other.Fd()}, false},
        {"far end of another line", {line.Fd()}, true},
    };
    for (const TCase& c : cases) {
        const TOtherProcess opener("opener", line.Path(), c.Drops);
        EXPECT_EQ(HolderText(TPortHolderFinder("/proc", locks.Path()).Find(line.Path())),
                  c.Counts ? "in use by opener (pid " + std::to_string(opener.Pid()) + ")" : "")
            << c.Name;
    }
}

std::string Binary(pid_t pid) {
    const std::int32_t value = pid;
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// A lock file counts while the pid it names lives and is not ours, in either form.
TEST(PortHolderFinderTest, ALockFileWithALivePidOfAnotherProcessHoldsTheLine) {
    TTempDir locks;
    TPtyController line;  // its only descriptors are ours, which never count
    TOtherProcess locker("locker", "", {});
    TOtherProcess gone("gone", "", {});
    gone.End();
    struct TCase {
        const char* Name;
        std::string Content;
        bool Counts;
    };
    const std::vector<TCase> cases{
        {"padded text", testing::LockFileText(locker.Pid()), true},
        {"bare text", std::to_string(locker.Pid()) + "\n", true},
        {"binary", Binary(locker.Pid()), true},
        {"dead pid", testing::LockFileText(gone.Pid()), false},
        {"our pid", testing::LockFileText(::getpid()), false},
        {"no pid", "ttyUSB0\n", false},
    };
    const std::string lockFile = UucpLockPath(locks.Path(), line.Path());
    EXPECT_EQ(lockFile, locks / ("LCK.." + std::filesystem::path(line.Path()).filename().string()));
    for (const TCase& c : cases) {
        WriteFile(lockFile, c.Content);
        EXPECT_EQ(HolderText(TPortHolderFinder("/proc", locks.Path()).Find(line.Path())),
                  c.Counts ? "in use by locker (pid " + std::to_string(locker.Pid()) + ")" : "")
            << c.Name;
    }
}

}  // namespace
}  // namespace norvane::serial
