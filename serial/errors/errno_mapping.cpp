#include "serial/errors/errno_mapping.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "serial/errors/error_codes.h"

namespace norvane::serial {

namespace {

// Only errno values whose meaning matches the table text; see the header for the rest.
constexpr std::pair<int, std::int32_t> kTableCodeOfErrno[] = {
    {ENOENT, ecFileNotFound},  {ENODEV, ecFileNotFound},          {ENXIO, ecFileNotFound},
    {ENOTDIR, ecPathNotFound}, {EMFILE, ecTooManyOpenFiles},      {ENFILE, ecTooManyOpenFiles},
    {EBUSY, ecAccessDenied},   {EBADF, ecInvalidFileHandle},      {ENOMEM, ecOutOfMemory},
    {ENOSPC, ecDiskFull},      {EROFS, ecWriteProtected},         {ENOMEDIUM, ecDriveNotReady},
    {ESPIPE, ecSeekError},     {EMEDIUMTYPE, ecUnknownMediaType},
};

std::int32_t DirectedIoError(TIoDirection direction) {
    switch (direction) {
        case TIoDirection::Read:
            return ecDeviceReadError;
        case TIoDirection::Write:
            return ecDeviceWriteError;
        case TIoDirection::Other:
            break;
    }
    return 0;
}

// glibc gives the GNU strerror_r (returns the text) with _GNU_SOURCE, the XSI one (fills
// the buffer, returns 0) without; overloading on the return type serves both.
[[maybe_unused]] std::string StrerrorResult(const char* text, const char*) {
    return text;
}
[[maybe_unused]] std::string StrerrorResult(int status, const char* buffer) {
    return status == 0 ? buffer : "";
}

}  // namespace

std::int32_t ResultFromErrno(int err, TIoDirection direction) {
    if (err <= 0 || err > kLargestHostErrno) {
        return -ecGeneralFailure;
    }
    for (const auto& [number, code] : kTableCodeOfErrno) {
        if (number == err) {
            return -code;
        }
    }
    if (err == EIO && direction != TIoDirection::Other) {
        return -DirectedIoError(direction);
    }
    return -(kHostErrnoBase + err);
}

std::int32_t ResultFromLockFailure(int err) {
    if (err == EWOULDBLOCK || err == EAGAIN) {
        return -ecAccessDenied;
    }
    return ResultFromErrno(err);
}

std::optional<int> HostErrnoOf(std::int32_t code) {
    const std::int64_t magnitude = code < 0 ? -static_cast<std::int64_t>(code) : code;
    if (magnitude <= kHostErrnoBase || magnitude > kHostErrnoBase + kLargestHostErrno) {
        return std::nullopt;
    }
    return static_cast<int>(magnitude - kHostErrnoBase);
}

bool IsPermissionDenied(std::int32_t result) {
    return result == ResultFromErrno(EACCES) || result == ResultFromErrno(EPERM);
}

std::string HostErrorText(int err) {
    char buffer[256] = {};
    return StrerrorResult(strerror_r(err, buffer, sizeof buffer), buffer);
}

std::string DevicePermissionText(std::string_view device) {
    return "Permission denied for serial device " + std::string(device) +
           ": this user may not use it. Add the user to the group that owns the device "
           "(usually \"dialout\") and log in again.";
}

}  // namespace norvane::serial
