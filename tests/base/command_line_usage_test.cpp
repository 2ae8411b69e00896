#include "base/command_line_usage.h"

#include <gtest/gtest.h>

namespace norvane::base {
namespace {

// Every program quotes the argument it cannot act on; a terminal control in it must reach
// the terminal as text, not clear the screen.
TEST(CommandLineUsage, ControlsQuotedFromTheArgumentsReachTheTerminalAsText) {
    EXPECT_EQ(UsageErrorText("norvane", "unknown option '--\x1b[2J'"),
              "norvane: unknown option '--\\x1B[2J'\nTry 'norvane --help'.\n");
}

}  // namespace
}  // namespace norvane::base
