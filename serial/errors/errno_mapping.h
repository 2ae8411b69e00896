#pragma once
// Where Linux system-call failures become result codes.
//
// The error string table keeps the original platform's numbers for file and device errors
// (2 file not found, 5 access denied, 100 and up input/output errors), and the open
// sequence of the port relies on them: 5 is reported as "device already open", 2 and 3 as
// "port doesn't exist". Linux errno values mean something else under the same numbers
// (EIO is 5, EACCES is 13), so an errno must never be negated and passed on as it is.
// Every system call failure of the serial layer goes through ResultFromErrno instead.
//
//   errno                          result  table text
//   ENOENT, ENODEV, ENXIO          -2      File not found       (open: port doesn't exist)
//   ENOTDIR                        -3      Path not found
//   EMFILE, ENFILE                 -4      Too many open files
//   EBUSY                          -5      File access denied   (open: device already open)
//   EBADF                          -6      Invalid file handle
//   ENOMEM                         -8      Insufficient memory
//   ENOSPC                         -101    Disk is full
//   EROFS                          -150    Disk is write-protected
//   ENOMEDIUM                      -152    Drive is not ready
//   ESPIPE                         -156    Seek error
//   EMEDIUMTYPE                    -157    Unknown media type
//   EIO while writing              -160    Device write error
//   EIO while reading              -161    Device read error
//   errno 0, negative or too large -162    General failure      (a caller's bug, not silence)
//   any other errno                -(kHostErrnoBase + errno): the host's own text
//
// A port that another program holds locked is reported like EBUSY (ResultFromLockFailure).
//
// EACCES and EPERM deliberately have no table code: on Linux they almost always mean that
// the user may not use the serial device (not a member of its group), and mapping them to
// 5 would tell the user the port is "already open". They travel in the host range, and the
// port's open code words the message itself with DevicePermissionText.
//
// Codes in the host range have no table entry, so ErrorText falls back to strerror for
// them, and RaiseOnError raises EInOutError with that text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvane::serial {

// Above every code of the error string table, and low enough that base + errno still fits
// the 16 bits that ErrorText looks at.
constexpr std::int32_t kHostErrnoBase = 20000;
constexpr int kLargestHostErrno = 32767 - kHostErrnoBase;

// What the failed call was doing, where the same errno means different things.
enum class TIoDirection { Other, Read, Write };

// The negative result code for a failed system call's errno.
std::int32_t ResultFromErrno(int err, TIoDirection direction = TIoDirection::Other);

// The result for a failed attempt to lock a port (flock with LOCK_NB, or a lock file):
// "held by someone else" becomes -5 like a busy device, anything else as ResultFromErrno.
std::int32_t ResultFromLockFailure(int err);

// The errno carried by a code of the host range, of either sign; nullopt for other codes.
std::optional<int> HostErrnoOf(std::int32_t code);

// True for the results of EACCES and EPERM.
bool IsPermissionDenied(std::int32_t result);

// The host's text for an errno (thread-safe strerror).
std::string HostErrorText(int err);

// The message for a serial device the user lacks permission to open.
std::string DevicePermissionText(std::string_view device);

}  // namespace norvane::serial
