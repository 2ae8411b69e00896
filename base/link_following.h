#pragma once
// Which symbolic links a writer of files follows.
//
// A writer that resolves a link itself and then creates and renames at the resolved path
// takes the decision away from the kernel, whose protection for links in shared folders
// (fs.protected_symlinks) then never applies: another user could plant /tmp/cells.nvf
// pointing at one of our files and have a download overwrite it. So every writer of files
// (the cell-file writer, the settings file, the simulator's saved table) resolves its path
// here, and this follows a link only where that protection would let us follow it, whether
// or not the machine has it switched on: a link in a sticky, world-writable folder only when
// it belongs to us (the effective user) or to the folder's owner. Links elsewhere, and the
// ones we may follow, keep meaning the file they point at.
//
// Plain POSIX; any thread (reads the file system and the effective user id only).

#include <sys/stat.h>
#include <sys/types.h>

#include <stdexcept>
#include <string>

namespace norvane::base {

// A link on the way that we may not follow (what() names it and its folder), a chain of links
// too long to be anything but a loop, or a link or folder that cannot be examined. what() is
// lower case, made to follow "<what failed>: ".
class TWritePathError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The rule for one link: `link` is its lstat(), `folder` the stat() of the folder holding
// it, `user` the effective user that would follow it.
bool MayFollowLink(const struct stat& link, const struct stat& folder, uid_t user);

// The path the file at `path` is really written at: every symbolic link on the way (a link to
// a link, and links among the folders, included) replaced by what it leads to, so that the
// result holds no link. `path` comes back unchanged when no link lies on the way. Resolution
// stops at the first part that cannot be examined (missing, not a folder, no access): the
// rest is appended as it stands and the writer's own operation reports the failure. Throws
// TWritePathError for a link the rule above refuses, a link or folder on the way that cannot
// be read, or after 40 links.
std::string ResolveLinksForWriting(const std::string& path);

}  // namespace norvane::base
