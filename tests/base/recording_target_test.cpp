#include "base/recording_target.h"

#include <gtest/gtest.h>

namespace norvane::base {
namespace {

constexpr uid_t kUser = 1000;

struct stat Status(mode_t mode, uid_t owner = kUser, nlink_t links = 1) {
    struct stat status {};
    status.st_mode = mode;
    status.st_uid = owner;
    status.st_nlink = links;
    return status;
}

TEST(RecordingTargetTest, OnlyOurOwnRegularFileWithOneLinkIsWrittenInto) {
    const struct {
        struct stat existing;
        const char* reason;
    } cases[] = {
        {Status(S_IFREG | 0600), ""},
        {Status(S_IFREG | 0666, 0), "belongs to another user"},
        {Status(S_IFREG | 0600, kUser, 2), "has other hard links"},
        {Status(S_IFIFO | 0666, 0), "is a FIFO"},
        {Status(S_IFDIR | 0700), "is a folder"},
        {Status(S_IFCHR | 0666, 0), "is no regular file"},
        {Status(S_IFSOCK | 0600), "is no regular file"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReasonNotToRecordInto(c.existing, kUser), c.reason) << c.existing.st_mode;
    }
}

TEST(RecordingTargetTest, ANewRecordingInASharedFolderIsPrivate) {
    EXPECT_EQ(RecordingCreationMode(Status(S_IFDIR | S_ISVTX | 0777, 0)), 0600u);
    EXPECT_EQ(RecordingCreationMode(Status(S_IFDIR | 0777, 0)), 0666u);  // not sticky
    EXPECT_EQ(RecordingCreationMode(Status(S_IFDIR | S_ISVTX | 0770)), 0666u);
    EXPECT_EQ(RecordingCreationMode(Status(S_IFDIR | 0755)), 0666u);
}

}  // namespace
}  // namespace norvane::base
