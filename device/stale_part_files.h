#pragma once
// Partial downloads left by programs that died before they could remove them.
//
// A download writes to ".NAME.PID.N.part" beside its target NAME (see TCellFileWriter) and
// removes it however it ends, short of being killed outright (SIGKILL, a crash, a power
// cut). Such leftovers are found by their name: a later download to the same target removes
// every one whose process no longer exists.
//
// Only entries that match the pattern exactly for this target are considered, and only
// regular files (never what a symbolic link points at) owned by this process's user, whose
// PID is gone (kill(pid, 0) fails with ESRCH). A live writer's file, another user's file or
// one we may not remove stays. Failures are not reported: the sweep is housekeeping, and
// the download goes on either way.

#include <string>

namespace norvane::device {

// Removes the stale partial downloads of targetName from directory.
void RemoveStalePartFiles(const std::string& directory, const std::string& targetName);

}  // namespace norvane::device
