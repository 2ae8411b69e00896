#pragma once
// Which existing files a recording (a trace or a dispatch log) may be written into.
//
// A recording is named on the command line or in the settings file, often in a shared folder
// such as /tmp, where another user may have put something at that name first: a file of
// theirs that would receive the user's whole recording, a named pipe whose reader would get
// it (or whose writes would block the program), or a hard link to one of the user's own
// files, which a rewrite would overwrite. So a name that is taken is used only for a regular
// file of the user's own with no other link; an absent one is created anew (O_EXCL).
//
// Plain POSIX; any thread.

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace norvane::base {

// Why the file `existing` (its lstat()) must not receive a recording of `user` (the effective
// user): "is a FIFO", "is a folder", "is no regular file", "belongs to another user" or "has
// other hard links", in that order of checking; "" when it may.
std::string ReasonNotToRecordInto(const struct stat& existing, uid_t user);

// The permissions of a recording created in `folder` (its stat()): 0600 in a sticky folder
// that everyone may write (/tmp), where the recording of a line is nobody else's business,
// and 0666 (less the umask) elsewhere, like any file the user makes.
mode_t RecordingCreationMode(const struct stat& folder);

}  // namespace norvane::base
