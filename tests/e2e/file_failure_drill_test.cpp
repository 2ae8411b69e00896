// Failure drills around files: a settings file full of garbage, a target directory that
// turns read-only mid-download and a full disk. Each ends with a clear message naming the
// cause, the old target file as it was.

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include "tests/e2e/cli_drill.h"
#include "tests/support/file_size_limit.h"

namespace norvane::test {
namespace {

constexpr const char* kOldFile = "kept\r\n";

// A small tmpfs of our own, where the machine lets us mount one (root with the capability).
class TSmallTmpfs {
  public:
    TSmallTmpfs(const std::string& path, std::size_t bytes) : Path_(path) {
        std::filesystem::create_directory(path);
        Options_ = "size=" + std::to_string(bytes) + ",mode=0777";
        Mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", 0, Options_.c_str()) == 0;
    }
    ~TSmallTmpfs() {
        if (Mounted_) {
            ::umount2(Path_.c_str(), MNT_DETACH);
        }
    }
    TSmallTmpfs(const TSmallTmpfs&) = delete;
    TSmallTmpfs& operator=(const TSmallTmpfs&) = delete;

    bool Mounted() const { return Mounted_; }
    bool Remount(bool readOnly) {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount("tmpfs", Path_.c_str(), "tmpfs", flags, Options_.c_str()) == 0;
    }

  private:
    std::string Path_;
    std::string Options_;
    bool Mounted_ = false;
};

// Runs norvane-cli with its files limited to `bytes`: both settings pass to the child.
TProgramExit RunWithFileSizeLimit(const Args& args, rlim_t bytes) {
    std::optional<TFileSizeLimit> limit(std::in_place, bytes);
    TChildProcess cli(NORVANE_CLI_EXECUTABLE, args);
    limit.reset();
    return cli.Wait();
}

class FileFailureDrill : public TCliDrill {};

TEST_F(FileFailureDrill, SettingsFileWithGarbageInEveryKeyFallsBackToTheDefaults) {
    WriteFile(Dir / "garbage.ini",
              "\x01\xff[ComPortSettings\n[ComPortSettings]\nComPort=\x01\xfe\xff\nBaudRate=9600 "
              "baud\nParity=NaN\nDataBits=99999999999999999999999\nStopBits=1.5\n=\n\x7f\x80"
              "\n[ComPortSettings]\nComPort\n");
    TSimProcess sim(SimArgs({}));
    Args args = CliArgs("download", Dir / "copy.nvf", sim);
    args.back() = Dir / "garbage.ini";
    const TProgramExit exit = Run(args);
    EXPECT_EQ(exit.ExitCode, 0) << exit.ErrorText;
    EXPECT_EQ(ReadFile(Dir / "copy.nvf"), ReadFile(Dir / "table.nvf"));

    // Binary noise with no section at all reads as no settings.
    std::string noise;
    for (int i = 0; i < 4096; ++i) {
        noise.push_back(static_cast<char>((i * 131 + 7) % 256));
    }
    WriteFile(Dir / "garbage.ini", noise);
    const TProgramExit noisy = Run(args);
    EXPECT_EQ(noisy.ExitCode, 0) << noisy.ErrorText;

    // A well-formed number that names no list entry is refused as the settings dialog
    // refuses it, before anything is sent.
    WriteFile(Dir / "garbage.ini", "[ComPortSettings]\nBaudRate=999\n");
    const TProgramExit refused = Run(args);
    EXPECT_EQ(refused.ExitCode, 4);
    EXPECT_EQ(refused.ErrorText, "'' is not a valid integer value\nin " + (Dir / "garbage.ini") +
                                     ": [ComPortSettings] BaudRate=999\n");
}

class TargetDirectoryDrill : public TCliDrill {
  protected:
    TargetDirectoryDrill() { std::filesystem::create_directory(Dir / "target"); }
    std::string Target() { return Dir / "target/copy.nvf"; }

    // The download failed on its file: standard error names the user's file (never the
    // hidden partial one) and the operating system's cause, the log says the same after the
    // target, and the file it would have replaced is still as it was.
    void ExpectFailedOnTheFile(const TProgramExit& exit, const std::string& cause) {
        EXPECT_EQ(exit.ExitCode, 4);
        // "Cannot write" while appending, "Cannot replace" when the change came only at the end.
        EXPECT_TRUE(exit.ErrorText.starts_with("Cannot ")) << exit.ErrorText;
        EXPECT_NE(exit.ErrorText.find(" " + Target() + ": " + cause), std::string::npos)
            << exit.ErrorText;
        EXPECT_TRUE(exit.OutputText.starts_with("Download to " + Target() + " failed - "))
            << exit.OutputText;
        // After the cause: the old file is unchanged, and a partial file that could not be
        // removed is named.
        const bool causeNamed =
            exit.OutputText.find(": " + cause + " (the old file is unchanged") != std::string::npos;
        EXPECT_TRUE(causeNamed) << exit.OutputText;
        EXPECT_EQ(ReadFile(Target()), kOldFile);
    }
};

TEST_F(TargetDirectoryDrill, DirectoryTurnedReadOnlyMidDownloadFailsNamingTheCause) {
    TSmallTmpfs tmpfs(Dir / "target", 1 << 20);
    if (!tmpfs.Mounted() && !PermissionsBind()) {
        GTEST_SKIP() << "root ignores directory permissions and may not mount here";
    }
    WriteFile(Target(), kOldFile);
    // The reply to command 200 is held back while the directory changes under the download.
    TSimProcess sim(SimArgs({"--delay-at", "200", "1900"}));
    TChildProcess cli(NORVANE_CLI_EXECUTABLE, CliArgs("download", Target(), sim));
    AwaitJournalLines(200);
    if (tmpfs.Mounted()) {
        ASSERT_TRUE(tmpfs.Remount(true));
    } else {
        std::filesystem::permissions(Dir / "target", std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
    }
    const TProgramExit exit = cli.Wait();
    ExpectFailedOnTheFile(exit, tmpfs.Mounted() ? "Read-only file system" : "Permission denied");
    // A read-only directory keeps the partial file too; the message names it, so that
    // the user can remove it once the directory is writable again.
    for (const auto& entry : std::filesystem::directory_iterator(Dir / "target")) {
        const std::string name = entry.path().filename();
        EXPECT_TRUE(name == "copy.nvf" || exit.OutputText.find(name) != std::string::npos)
            << name << " left unmentioned";
    }
}

TEST_F(TargetDirectoryDrill, FullDiskFailsNamingTheCauseAndLeavesNoPartialFile) {
    // Room for the old file and a few kilobytes of the new one: the 1899 cells need 28.
    TSmallTmpfs tmpfs(Dir / "target", 16 * 1024);
    WriteFile(Target(), kOldFile);
    TSimProcess sim(SimArgs({}));
    const Args args = CliArgs("download", Target(), sim);
    const TProgramExit exit = tmpfs.Mounted() ? Run(args) : RunWithFileSizeLimit(args, 8 * 1024);
    ExpectFailedOnTheFile(exit, tmpfs.Mounted() ? "No space left on device" : "File too large");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(Dir / "target")) {
        left.push_back(entry.path().filename());
    }
    EXPECT_EQ(left, Names{"copy.nvf"});
}

}  // namespace
}  // namespace norvane::test
