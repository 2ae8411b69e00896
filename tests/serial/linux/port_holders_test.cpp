#include "serial/linux/port_holders.h"

#include "driver_test_support.h"
#include "other_process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "tests/support/temp_dir.h"

namespace norvane::serial {
namespace {

using norvane::test::TTempDir;
using norvane::test::WriteFile;
using testing::TOtherProcess;
using testing::TPtyController;

// Which pty controller the process that opens the line keeps besides: the far end of a
// pseudo-terminal holds its controller and often its terminal side too.
enum class TKeeps { Nothing, ThisLinesController, AnotherLinesController };

struct TOpenerCase {
    const char* Name;
    TKeeps Keeps;
    bool Counts;
};

void PrintTo(const TOpenerCase& c, std::ostream* out) {
    *out << c.Name;
}

class PortHolderOpenerTest : public ::testing::TestWithParam<TOpenerCase> {};

TEST_P(PortHolderOpenerTest, AnotherProcessWithTheLineOpenHoldsItUnlessItIsTheFarEnd) {
    TTempDir locks;
    TPtyController line, other;
    std::vector<int> closeFirst;
    if (GetParam().Keeps != TKeeps::ThisLinesController) {
        closeFirst.push_back(line.Fd());
    }
    if (GetParam().Keeps != TKeeps::AnotherLinesController) {
        closeFirst.push_back(other.Fd());
    }
    TOtherProcess opener("opener", line.Path(), closeFirst);

    const std::optional<TPortHolder> holder =
        TPortHolderFinder("/proc", locks.Path()).Find(line.Path());
    if (!GetParam().Counts) {
        EXPECT_FALSE(holder) << InUseText(*holder);
        return;
    }
    ASSERT_TRUE(holder);
    EXPECT_EQ(InUseText(*holder), "in use by opener (pid " + std::to_string(opener.Pid()) + ")");
    opener.End();
    EXPECT_FALSE(TPortHolderFinder("/proc", locks.Path()).Find(line.Path())) << "gone with it";
}

INSTANTIATE_TEST_SUITE_P(
    PortHolderFinderTest, PortHolderOpenerTest,
    ::testing::Values(TOpenerCase{"PlainOpen", TKeeps::Nothing, true},
                      TOpenerCase{"FarEndOfThisLine", TKeeps::ThisLinesController, false},
                      TOpenerCase{"FarEndOfAnotherLine", TKeeps::AnotherLinesController, true}),
    [](const auto& info) { return std::string(info.param.Name); });

std::string PaddedText(pid_t pid) {
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
    return text;
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
        {"padded text", PaddedText(locker.Pid()), true},
        {"bare text", std::to_string(locker.Pid()) + "\n", true},
        {"binary", Binary(locker.Pid()), true},
        {"dead pid", PaddedText(gone.Pid()), false},
        {"our pid", PaddedText(::getpid()), false},
        {"no pid", "ttyUSB0\n", false},
    };
    const std::string lockFile = UucpLockPath(locks.Path(), line.Path());
    EXPECT_EQ(lockFile, locks / ("LCK.." + std::filesystem::path(line.Path()).filename().string()));
    for (const TCase& c : cases) {
        WriteFile(lockFile, c.Content);
        const std::optional<TPortHolder> holder =
            TPortHolderFinder("/proc", locks.Path()).Find(line.Path());
        EXPECT_EQ(holder ? InUseText(*holder) : "",
                  c.Counts ? "in use by locker (pid " + std::to_string(locker.Pid()) + ")" : "")
            << c.Name;
    }
}

}  // namespace
}  // namespace norvane::serial
