#pragma once
// A symbolic link with a fixed name to the line, so that people and scripts need not read
// the pseudo-terminal's number off our output each time.

#include <string>

namespace norvane::sim {

class TLineLink {
  public:
    // Makes linkPath point at target. An existing symlink there is replaced (it is most
    // likely left over from an earlier run that was killed); anything else is refused,
    // since it is somebody's file. Throws with the cause.
    TLineLink(std::string linkPath, std::string target);

    // Removes the link, unless somebody has since pointed it elsewhere (a newer simulator
    // that took the name over).
    ~TLineLink();

    TLineLink(const TLineLink&) = delete;
    TLineLink& operator=(const TLineLink&) = delete;

  private:
    std::string LinkPath_;
    std::string Target_;
};

}  // namespace norvane::sim
