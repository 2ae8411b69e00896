#pragma once
// Whether a file found on disk may be run as one of our own helper programs.
//
// The demo runs the bundled simulator from where it finds it, as the user: a file there that
// somebody else could have put in or changed would run with the user's rights. So before we
// run a program we check the file itself: a regular file we may execute, owned by us or by
// root, writable by neither its group nor others.
//
// Plain POSIX; any thread.

#include <optional>
#include <string>

namespace norvane::app {

// Nothing when the file at path (links followed) may be run; else why not, in words that
// follow "<path>: ", e.g. "writable by other users".
std::optional<std::string> WhyNotToRun(const std::string& path);

}  // namespace norvane::app
