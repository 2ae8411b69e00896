#pragma once
// A record of the commands the instrument received, for tests and for people watching a
// transfer: one line each, CR and LF removed (a line clear is an empty line). Each line is
// written with its own write(), so a reader sees it as soon as the reply goes out.

#include <string>
#include <string_view>

#include "sim/file_descriptor.h"

namespace norvane::sim {

class TCommandJournal {
  public:
    // Creates or empties the file; a symbolic link is followed only as by every writer of
    // files (base/link_following.h). Throws with the cause.
    explicit TCommandJournal(const std::string& path);

    // Throws with the cause.
    void Record(std::string_view command);

  private:
    std::string Path_;
    TFileDescriptor File_;
};

}  // namespace norvane::sim
