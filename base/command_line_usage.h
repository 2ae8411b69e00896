#pragma once
// What the three programs' command lines share: the failure a command line that cannot be
// acted on raises, and the texts a program answers --version and that failure with, so that
// they read alike whichever program the user ran.

#include <stdexcept>
#include <string>
#include <string_view>

namespace norvane::base {

// A command line a program cannot act on; what() says what is wrong with it, without the
// program's name (UsageErrorText adds that).
class TUsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The --version text: the program's name and the project's version, one line.
std::string VersionText(std::string_view program);

// What a program writes to standard error for a usage error: "program: why" and a second line
// pointing to its --help. `why` quotes the arguments, which may hold terminal controls: they
// are made visible (VisibleText, terminal set).
std::string UsageErrorText(std::string_view program, std::string_view why);

}  // namespace norvane::base
