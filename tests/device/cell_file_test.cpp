#include "device/cell_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

#include "tests/support/as_user.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace norvane::device {
namespace {

namespace fs = std::filesystem;
using norvane::test::ReadFile;
using norvane::test::TTempDir;
using norvane::test::WriteFile;
using Lines = std::vector<std::string>;

class CellFileTest : public ::testing::Test {
  protected:
    TTempDir Dir;
};

// ---- reading ----------------------------------------------------------------------------

TEST_F(CellFileTest, LineRules) {
    struct Case {
        std::string bytes;
        Lines lines;
        std::int32_t lineCutByEndMark;
        const char* why;
    };
    const Case cases[] = {
        {"", {}, 0, "empty file"},
        {"a\r\nb\r\n", {"a", "b"}, 0, "CR LF"},
        {"a\r\nb", {"a", "b"}, 0, "last line without line end"},
        {"a\rb\r", {"a", "b"}, 0, "CR alone ends a line"},
        {"a\nb\nc\n", {"a", "b", "c"}, 0, "LF alone ends a line"},
        {"1,A\r\n2,B\n3,C\r\n", {"1,A", "2,B", "3,C"}, 0, "mixed line ends"},
        {"a\r\n\nb\r\n", {"a", "", "b"}, 0, "an LF after CR LF ends an empty line"},
        {"a\n\rb", {"a", "", "b"}, 0, "LF CR is two line ends"},
        {"\r\n\r\n", {"", ""}, 0, "empty lines count"},
        {"a\r\nb\r\n\x1a"
         "c\r\n",
         {"a", "b"},
         3,
         "Ctrl-Z ends the file"},
        {"a\x1a"
         "b",
         {"a"},
         1,
         "Ctrl-Z inside a line"},
        {"a\r\x1a\nb", {"a"}, 2, "Ctrl-Z between CR and LF"},
        {"a\r\n\x1a", {"a"}, 0, "a Ctrl-Z as the last byte cuts nothing off"},
        {"1,A\tB\r\n\xe4\xff\r\n", {"1,A\tB", "\xe4\xff"}, 0, "tab and 8-bit bytes are text"},
        {std::string(4096, 'x'), {std::string(4096, 'x')}, 0, "the longest line"},
    };
    for (const Case& c : cases) {
        WriteFile(Dir / "cells.nvf", c.bytes);
        TCellFileReader reader(Dir / "cells.nvf");
        Lines lines;
        for (std::string line; reader.ReadLine(line);)
            lines.push_back(line);
        EXPECT_EQ(lines, c.lines) << c.why;
        EXPECT_EQ(reader.LineCutByEndMark(), c.lineCutByEndMark) << c.why;
        EXPECT_EQ(ReadCellFileLines(Dir / "cells.nvf"), c.lines) << c.why;
    }
}

// A program, an image or noise picked by mistake: refused before an upload sends any of it.
TEST_F(CellFileTest, WhatIsNoCellFileIsRefusedNamingTheLine) {
    std::mt19937 noise(1);
    std::string randomBytes(4096, '\0');
    for (char& byte : randomBytes)
        byte = static_cast<char>(noise());
    const std::pair<std::string, std::string> bytesAndFault[] = {
        {ReadFile("/bin/true"), "line 1 holds control characters"},
        {randomBytes, "line 1 holds control characters"},
        {std::string("1,a\r\n2,b\0\r\n", 10), "line 2 holds control characters"},
        {"1,a\n2,b\r3,\x1b[0m\r\n", "line 3 holds control characters"},
        {"1,a\r\n2,\x7f\r\n", "line 2 holds control characters"},
        {"1,a\r\n" + std::string(4097, 'x'), "line 2 is longer than 4096 characters"},
    };
    for (const auto& [bytes, fault] : bytesAndFault) {
        WriteFile(Dir / "cells.nvf", bytes);
        try {
            ReadCellFileLines(Dir / "cells.nvf");
            ADD_FAILURE() << fault << ": read";
        } catch (const TCellFileError& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot read " + (Dir / "cells.nvf") + ": " +
                                                     fault + "; this is no cell file");
        }
    }
}

TEST_F(CellFileTest, RewindReadsTheSameLinesAgain) {
    WriteFile(Dir / "cells.nvf", "one\r\ntwo\x1athree");
    TCellFileReader reader(Dir / "cells.nvf");
    std::string line;
    Lines first, second;
    while (reader.ReadLine(line))
        first.push_back(line);
    reader.Rewind();
    while (reader.ReadLine(line))
        second.push_back(line);
    EXPECT_EQ(first, (Lines{"one", "two"}));
    EXPECT_EQ(second, first);
    EXPECT_EQ(reader.LineCutByEndMark(), 2);
}

TEST_F(CellFileTest, OpeningAMissingFileSaysWhichAndWhy) {
    try {
        TCellFileReader reader(Dir / "absent.nvf");
        FAIL() << "opened a file that does not exist";
    } catch (const TCellFileError& error) {
        EXPECT_NE(std::string(error.what()).find("absent.nvf"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("No such file"), std::string::npos);
    }
}

// ---- writing ----------------------------------------------------------------------------

TEST_F(CellFileTest, CommittedLinesReplaceTheTargetAndNothingElseIsLeft) {
    WriteFile(Dir / "cells.nvf", "old\r\n");
    {
        TCellFileWriter writer(Dir / "cells.nvf");
        writer.AppendLine("1,a");
        writer.AppendLine("5,b");
        EXPECT_EQ(ReadFile(Dir / "cells.nvf"), "old\r\n") << "target untouched until commit";
        writer.Commit();
    }
    EXPECT_EQ(ReadFile(Dir / "cells.nvf"), "1,a\r\n5,b\r\n");
    EXPECT_EQ(Dir.Entries(), Lines{"cells.nvf"});
}

// The lines go to the file the writer created: a link put in its place meanwhile (by
// another user with a hand in the folder) leads them nowhere else.
TEST_F(CellFileTest, LinesGoToTheFileCreatedNotToWhatTakesItsNameLater) {
    WriteFile(Dir / "victim", "mine\r\n");
    TCellFileWriter writer(Dir / "cells.nvf");
    fs::rename(writer.TemporaryPath(), Dir / "moved.part");
    fs::create_symlink(Dir / "victim", writer.TemporaryPath());
    writer.AppendLine("1,a");
    EXPECT_EQ(ReadFile(Dir / "victim"), "mine\r\n");
    EXPECT_EQ(ReadFile(Dir / "moved.part"), "1,a\r\n");
}

TEST_F(CellFileTest, CommitOfNoLinesLeavesAnEmptyFile) {
    TCellFileWriter writer(Dir / "cells.nvf");
    writer.Commit();
    EXPECT_TRUE(std::filesystem::exists(Dir / "cells.nvf"));
    EXPECT_EQ(ReadFile(Dir / "cells.nvf"), "");
}

TEST_F(CellFileTest, UncommittedWriteLeavesTheTargetAsItWas) {
    WriteFile(Dir / "kept.nvf", "precious\r\n");
    {
        TCellFileWriter writer(Dir / "kept.nvf");
        writer.AppendLine("new");
    }
    EXPECT_EQ(ReadFile(Dir / "kept.nvf"), "precious\r\n");
    {
        TCellFileWriter writer(Dir / "fresh.nvf");
        writer.AppendLine("new");
        writer.Discard();
    }
    EXPECT_EQ(Dir.Entries(), Lines{"kept.nvf"});
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// As root (CI) the file belongs to another user, who must not find it root's afterwards; as
// anyone else it is our own. The set-user-ID bit is there because changing the owner clears
// it: it survives only if the permissions are set after the owner.
TEST_F(CellFileTest, ReplacementKeepsOwnerGroupAndPermissionsOfTheReplacedFile) {
    const test::TUserIds owner =
        test::RunningAsRoot() ? test::Nobody() : test::TUserIds{::geteuid(), ::getegid()};
    WriteFile(Dir / "cells.nvf", "old\r\n");
    ASSERT_EQ(::chown((Dir / "cells.nvf").c_str(), owner.Uid, owner.Gid), 0);
    ASSERT_EQ(::chmod((Dir / "cells.nvf").c_str(), 04600), 0);
    TCellFileWriter writer(Dir / "cells.nvf");
    writer.AppendLine("1,a");
    writer.Commit();
    struct stat st {};
    ASSERT_EQ(::stat((Dir / "cells.nvf").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, owner.Uid);
    EXPECT_EQ(st.st_gid, owner.Gid);
    EXPECT_EQ(st.st_mode & 07777, 04600u);
    EXPECT_EQ(ReadFile(Dir / "cells.nvf"), "1,a\r\n");
}

// A rename would leave a file's other names with the old content, and a folder we may not
// write takes no temporary file: such files are rewritten where they are, and not before
// the download is complete.
TEST_F(CellFileTest, FilesARenameWouldHarmAreRewrittenInPlaceOnlyOnCommit) {
    if (!norvane::test::PermissionsBind()) {
        GTEST_SKIP() << "root may write anywhere";
    }
    const std::string old = "old line one\r\nold line two\r\n";
    WriteFile(Dir / "cells.nvf", old);
    fs::create_hard_link(Dir / "cells.nvf", Dir / "other-name.nvf");
    fs::create_directory(Dir / "locked");
    WriteFile(Dir / "locked/cells.nvf", old);
    ::chmod((Dir / "locked").c_str(), 0555);
    const std::pair<std::string, std::string> targetAndOtherName[] = {
        {Dir / "cells.nvf", Dir / "other-name.nvf"},
        {Dir / "locked/cells.nvf", Dir / "locked/cells.nvf"},
    };
    for (const auto& [target, otherName] : targetAndOtherName) {
        const ino_t inode = InodeOf(target);
        {
            TCellFileWriter discarded(target);
            discarded.AppendLine("1,a");
        }
        EXPECT_EQ(ReadFile(target), old) << target << " after a discarded download";
        TCellFileWriter writer(target);
        writer.AppendLine("1,a");
        writer.Commit();
        EXPECT_EQ(ReadFile(otherName), "1,a\r\n") << target;
        EXPECT_EQ(InodeOf(target), inode) << target;
    }
    EXPECT_EQ(Dir.Entries(), (Lines{"cells.nvf", "locked", "other-name.nvf"}));
}

// What `write` throws while no file may grow beyond `bytes`.
std::string FailureWithFileSizeLimit(rlim_t bytes, const std::function<void()>& write) {
    const norvane::test::TFileSizeLimit limit(bytes);
    try {
        write();
    } catch (const TCellFileError& error) {
        return error.what();
    }
    return "none";
}

// The message names the user's file, never the temporary one, and says what became of it: a
// replacement fails while the old file stands, an in-place rewrite (hard-linked) at the end.
TEST_F(CellFileTest, AFailedWriteNamesTheTargetAndWhatBecameOfIt) {
    struct Case {
        bool hardLinked;
        std::string note;
        Lines entries;
    };
    const Case cases[] = {
        {false, "(the old file is unchanged)", {"cells.nvf"}},
        {true, "(the file may be incomplete)", {"cells.nvf", "twin.nvf"}},
    };
    for (const Case& c : cases) {
        TTempDir dir;
        WriteFile(dir / "cells.nvf", "old\r\n");
        if (c.hardLinked)
            fs::create_hard_link(dir / "cells.nvf", dir / "twin.nvf");
        const std::string failure = FailureWithFileSizeLimit(64, [&dir] {
            TCellFileWriter writer(dir / "cells.nvf");
            for (int cell = 1; cell <= 10; ++cell)
                writer.AppendLine(std::to_string(cell) + ",a definition of some length");
            writer.Commit();
        });
        EXPECT_EQ(failure, "Cannot write " + (dir / "cells.nvf") + ": File too large " + c.note);
        EXPECT_EQ(dir.Entries(), c.entries) << c.note;
        EXPECT_EQ(ReadFile(dir / "cells.nvf") == "old\r\n", !c.hardLinked) << c.note;
    }
}

TEST_F(CellFileTest, SymbolicLinkTargetReplacesTheFileItPointsAt) {
    std::filesystem::create_directory(Dir / "data");
    WriteFile(Dir / "data/real.nvf", "old\r\n");
    std::filesystem::create_symlink(Dir / "data/real.nvf", Dir / "link.nvf");
    TCellFileWriter writer(Dir / "link.nvf");
    writer.AppendLine("new");
    writer.Commit();
    EXPECT_TRUE(std::filesystem::is_symlink(Dir / "link.nvf"));
    EXPECT_EQ(ReadFile(Dir / "data/real.nvf"), "new\r\n");
}

TEST_F(CellFileTest, TargetsThatCannotBeWrittenAreRefusedUpFront) {
    std::filesystem::create_directory(Dir / "folder.nvf");
    EXPECT_THROW(TCellFileWriter(Dir / "folder.nvf"), TCellFileError);
    EXPECT_THROW(TCellFileWriter(Dir / "missing/cells.nvf"), TCellFileError);
    EXPECT_THROW(TCellFileWriter(""), TCellFileError);
    EXPECT_EQ(Dir.Entries(), Lines{"folder.nvf"});
}

// A process that has ended and been reaped: its PID names no process (until reused).
pid_t DeadProcessId() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST_F(CellFileTest, ADownloadRemovesOnlyItsTargetsPartialFilesOfDeadProcesses) {
    const std::string dead = std::to_string(DeadProcessId());
    const std::string live = std::to_string(::getppid());
    Lines kept{
        "." + live + ".0.part",
        ".cells.nvf." + dead + ".0.part.bak",
        ".cells.nvf." + dead + ".1.part",  // a directory
        ".cells.nvf." + dead + ".2.part",  // a symbolic link
        ".cells.nvf.0" + dead + ".0.part",
        ".cells.nvf." + live + ".0.part",
        ".other.nvf." + dead + ".0.part",
    };
    for (const std::string& name : kept) {
        WriteFile(Dir / name, "x");
    }
    WriteFile(Dir / "victim", "not ours to touch");
    std::filesystem::remove(Dir / kept[2]);
    std::filesystem::create_directory(Dir / kept[2]);
    std::filesystem::remove(Dir / kept[3]);
    std::filesystem::create_symlink(Dir / "victim", Dir / kept[3]);
    // Another user's leftover is theirs to remove (only root can make one here).
    const std::string foreign = ".cells.nvf." + dead + ".3.part";
    WriteFile(Dir / foreign, "x");
    if (::chown((Dir / foreign).c_str(), 65534, 65534) == 0) {
        kept.push_back(foreign);
    }
    WriteFile(Dir / (".cells.nvf." + dead + ".0.part"), "left by a killed download");
    WriteFile(Dir / (".cells.nvf." + dead + ".12.part"), "and another");

    TCellFileWriter writer(Dir / "cells.nvf");
    writer.Discard();
    kept.push_back("victim");
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Dir.Entries(), kept);
    EXPECT_EQ(ReadFile(Dir / "victim"), "not ours to touch");
}

// Another user who knows the shell's pid can make the names a download would try in /tmp
// before it runs: the names it tries are not the ones anyone can predict.
TEST_F(CellFileTest, TemporaryNamesMadeBeforehandAreNoObstacle) {
    const std::string pid = std::to_string(::getpid());
    for (int n = 0; n < 200; ++n) {
        WriteFile(Dir / (".cells.nvf." + pid + "." + std::to_string(n) + ".part"), "squatted");
    }
    TCellFileWriter writer(Dir / "cells.nvf");
    writer.AppendLine("1,one");
    writer.Commit();
    EXPECT_EQ(ReadFile(Dir / "cells.nvf"), "1,one\r\n");
}

TEST_F(CellFileTest, ReadOnlyPlacesAreRefused) {
    if (!norvane::test::PermissionsBind()) {
        GTEST_SKIP() << "root may write anywhere";
    }
    WriteFile(Dir / "locked.nvf", "old\r\n");
    ::chmod((Dir / "locked.nvf").c_str(), 0444);
    EXPECT_THROW(TCellFileWriter(Dir / "locked.nvf"), TCellFileError);
    std::filesystem::create_directory(Dir / "ro");
    ::chmod((Dir / "ro").c_str(), 0555);
    EXPECT_THROW(TCellFileWriter(Dir / "ro/cells.nvf"), TCellFileError);
}

TEST_F(CellFileTest, TargetDirectoryTurnedReadOnlyFailsTheCommitAndKeepsTheOld) {
    if (!norvane::test::PermissionsBind()) {
        GTEST_SKIP() << "root may write anywhere";
    }
    std::filesystem::create_directory(Dir / "data");
    WriteFile(Dir / "data/cells.nvf", "old\r\n");
    TCellFileWriter writer(Dir / "data/cells.nvf");
    writer.AppendLine("new");
    ::chmod((Dir / "data").c_str(), 0555);
    try {
        writer.Commit();
        ADD_FAILURE() << "the commit went through";
    } catch (const TCellFileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot replace " + (Dir / "data/cells.nvf") +
                      ": Permission denied (the old file is unchanged; the partial download is "
                      "left in " +
                      writer.TemporaryPath() + ")");
    }
    ::chmod((Dir / "data").c_str(), 0755);
    EXPECT_EQ(ReadFile(Dir / "data/cells.nvf"), "old\r\n");
}

// The reproduction: another user plants a link to the victim's file in a shared folder like
// /tmp; the victim downloads to that name. Planting needs root; the download runs as nobody.
TEST(LinkFollowing, ADownloadFollowsNoLinkThatAnotherUserPlantedInASharedFolder) {
    if (!test::RunningAsRoot()) {
        GTEST_SKIP() << "planting a link of another user needs root (CI runs as root)";
    }
    const test::TUserIds victim = test::Nobody();
    constexpr uid_t kAttacker = 54321;
    TTempDir dir;
    fs::permissions(dir.Path(), fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add);
    const std::string shared = dir / "shared";
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    fs::create_directory(dir / "home");
    const std::string important = dir / "home/important.txt";
    WriteFile(important, "precious\n");
    ::chmod(important.c_str(), 0600);
    for (const std::string& path : {dir / "home", important}) {
        ASSERT_EQ(::chown(path.c_str(), victim.Uid, victim.Gid), 0);
    }
    const auto plant = [](const std::string& target, const std::string& link, uid_t owner) {
        fs::create_symlink(target, link);
        ASSERT_EQ(::lchown(link.c_str(), owner, owner), 0);
    };
    plant(important, shared + "/theirs.nvf", kAttacker);
    plant(shared + "/theirs.nvf", shared + "/chain.nvf", victim.Uid);
    plant(important, shared + "/mine.nvf", victim.Uid);

    const auto download = [](const std::string& path) {
        return test::RunAsUser(test::Nobody(), [&path] {
            TCellFileWriter writer(path);
            writer.AppendLine("1,TC-K");
            writer.Commit();
            return std::string("complete.");
        });
    };
    const std::string refusal = "exception: Cannot use %s: not following the symbolic link " +
                                shared + "/theirs.nvf, which another user made in the shared " +
                                "folder " + shared;
    for (const char* name : {"/theirs.nvf", "/chain.nvf"}) {
        std::string expected = refusal;
        expected.replace(expected.find("%s"), 2, shared + name);
        EXPECT_EQ(download(shared + name), expected);
        EXPECT_EQ(ReadFile(important), "precious\n");
    }
    EXPECT_EQ(download(shared + "/mine.nvf"), "complete.") << "our own link is followed";
    EXPECT_EQ(ReadFile(important), "1,TC-K\r\n");
    EXPECT_TRUE(fs::is_symlink(shared + "/mine.nvf"));
}

}  // namespace
}  // namespace norvane::device
