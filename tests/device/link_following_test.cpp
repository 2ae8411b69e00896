// Writers follow a symbolic link only where the kernel's protection of shared folders
// would: never another user's link in a sticky, world-writable folder.

#include "device/link_following.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "device/cell_file.h"
#include "tests/support/as_user.h"
#include "tests/support/temp_dir.h"

namespace norvane::device {
namespace {

namespace fs = std::filesystem;
using norvane::test::ReadFile;
using norvane::test::TTempDir;
using norvane::test::WriteFile;

TEST(LinkFollowingRule, AnotherUsersLinkIsRefusedOnlyInAStickyWorldWritableFolder) {
    constexpr uid_t kUser = 1000, kFolderOwner = 0, kOther = 1001;
    const struct {
        mode_t FolderMode;
        uid_t LinkOwner;
        bool Followed;
    } cases[] = {
        {01777, kOther, false}, {01777, kUser, true},  {01777, kFolderOwner, true},
        {00777, kOther, true},  // not sticky: the link could have replaced anything there
        {01775, kOther, true},  {00755, kOther, true},
    };
    for (const auto& c : cases) {
        struct stat link {};
        struct stat folder {};
        link.st_uid = c.LinkOwner;
        folder.st_mode = S_IFDIR | c.FolderMode;
        folder.st_uid = kFolderOwner;
        EXPECT_EQ(MayFollowLink(link, folder, kUser), c.Followed)
            << std::oct << c.FolderMode << std::dec << " link of " << c.LinkOwner;
    }
}

TEST(LinkFollowing, ResolvesChainsAndFolderLinksAndGivesUpOnALoop) {
    TTempDir dir;
    const std::string real = fs::canonical(dir.Path()).string();
    fs::create_directory(dir / "data");
    fs::create_directory_symlink("data", dir / "folder");
    fs::create_symlink("../data/cells.nvf", dir / "data/first.nvf");
    fs::create_symlink(dir / "folder/first.nvf", dir / "second.nvf");
    EXPECT_EQ(ResolveLinksForWriting(dir / "second.nvf"), real + "/data/cells.nvf")
        << "a link to a link through a linked folder, its target not there yet";
    EXPECT_EQ(ResolveLinksForWriting(dir / "data/plain.nvf"), dir / "data/plain.nvf")
        << "no link on the way: the path as given";
    EXPECT_EQ(ResolveLinksForWriting(dir / "folder/missing/x.nvf"), real + "/data/missing/x.nvf");

    fs::create_symlink("loop.b", dir / "loop.a");
    fs::create_symlink("loop.a", dir / "loop.b");
    EXPECT_THROW(ResolveLinksForWriting(dir / "loop.a"), TWritePathError);
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
