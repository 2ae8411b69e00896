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

#include <optional>
#include <string>

namespace norvane::base {

// Where a recording named `path` would be written, and whether it may be: what the writer and
// the front end (which wants to say why) both ask before writing.
struct TRecordingTarget {
    std::string Path;                     // links resolved by the rule of link_following.h
    std::optional<struct stat> Existing;  // lstat() of what is there now, if anything
    mode_t CreationMode = 0600;           // for a new file: RecordingCreationMode of its folder
    // "" when it may be written; otherwise why not, naming the file ("it is a FIFO", or the
    // resolved path when a link led there), or the link the rule refuses.
    std::string Refusal;
};

// Never throws for what it finds: a refused link or one that cannot be examined is a
// Refusal. The effective user is the one the rule is for.
TRecordingTarget InspectRecordingTarget(const std::string& path);

// Why the file `existing` (its lstat()) must not receive a recording of `user` (the effective
// user): "is a FIFO", "is a folder", "is no regular file", "belongs to another user" or "has
// other hard links", in that order of checking; "" when it may.
std::string ReasonNotToRecordInto(const struct stat& existing, uid_t user);

// The permissions of a recording created in `folder` (its stat()): 0600 in a sticky folder
// that everyone may write (/tmp), where the recording of a line is nobody else's business,
// and 0666 (less the umask) elsewhere, like any file the user makes.
mode_t RecordingCreationMode(const struct stat& folder);

}  // namespace norvane::base
