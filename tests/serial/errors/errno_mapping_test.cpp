#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>

#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/errors/error_text.h"

namespace norvane::serial {
namespace {

TEST(ErrnoMappingTest, ErrnoWithATableEquivalentGetsItsCode) {
    const std::pair<int, std::int32_t> expected[] = {
        {ENOENT, -2},  {ENODEV, -2},      {ENXIO, -2},    {ENOTDIR, -3},       {EMFILE, -4},
        {ENFILE, -4},  {EBUSY, -5},       {EBADF, -6},    {ENOMEM, -8},        {ENOSPC, -101},
        {EROFS, -150}, {ENOMEDIUM, -152}, {ESPIPE, -156}, {EMEDIUMTYPE, -157},
    };
    for (const auto& [err, code] : expected) {
        EXPECT_EQ(ResultFromErrno(err), code) << HostErrorText(err);
    }
}

// The same numbers mean different things on Linux and in the table: EIO is 5 and EACCES
// is 13, neither of which may come out as "access denied" or a table text.
TEST(ErrnoMappingTest, ErrnoIsNeverPassedThroughAsATableCode) {
    for (const int err : {EIO, EACCES, EPERM, EINVAL, EAGAIN, ENOTTY, EEXIST}) {
        const std::int32_t code = ResultFromErrno(err);
        EXPECT_EQ(HostErrnoOf(code), err);
        EXPECT_EQ(ErrorText(code), HostErrorText(err));
    }
}

TEST(ErrnoMappingTest, DeviceIoErrorsFollowTheDirection) {
    EXPECT_EQ(ResultFromErrno(EIO, TIoDirection::Read), -ecDeviceReadError);
    EXPECT_EQ(ResultFromErrno(EIO, TIoDirection::Write), -ecDeviceWriteError);
    EXPECT_EQ(ResultFromErrno(ENOENT, TIoDirection::Read), -ecFileNotFound);
}

TEST(ErrnoMappingTest, ImpossibleErrnoIsAGeneralFailureNotSuccess) {
    for (const int err : {0, -1, kLargestHostErrno + 1}) {
        EXPECT_EQ(ResultFromErrno(err), -ecGeneralFailure) << err;
    }
    EXPECT_EQ(HostErrnoOf(-(kHostErrnoBase + kLargestHostErrno)), kLargestHostErrno);
    EXPECT_EQ(HostErrnoOf(-kHostErrnoBase), std::nullopt);
    EXPECT_EQ(HostErrnoOf(-13980), std::nullopt);
}

TEST(ErrnoMappingTest, PortLockedByAnotherProgramReadsAsBusy) {
    EXPECT_EQ(ResultFromLockFailure(EWOULDBLOCK), ResultFromErrno(EBUSY));
    EXPECT_EQ(ResultFromLockFailure(EBADF), -ecInvalidFileHandle);
}

TEST(ErrnoMappingTest, PermissionDeniedIsRecognisedButNotAccessDenied) {
    EXPECT_TRUE(IsPermissionDenied(ResultFromErrno(EACCES)));
    EXPECT_TRUE(IsPermissionDenied(ResultFromErrno(EPERM)));
    EXPECT_FALSE(IsPermissionDenied(ResultFromErrno(EBUSY)));
    EXPECT_FALSE(IsPermissionDenied(-ecAccessDenied));
    EXPECT_NE(ResultFromErrno(EACCES), -ecAccessDenied);
}

}  // namespace
}  // namespace norvane::serial
