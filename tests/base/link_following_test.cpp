// Writers follow a symbolic link only where the kernel's protection of shared folders
// would: never another user's link in a sticky, world-writable folder.

#include "base/link_following.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace norvane::base {
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

}  // namespace
}  // namespace norvane::base
