#include "cli/console_host.h"

#include <gtest/gtest.h>

#include <sstream>

namespace norvane::cli {
namespace {

using namespace std::chrono_literals;

// The progress line on a terminal: pace from the transfer's start on the given clock, and
// after the final log line no bar left behind it.
TEST(ConsoleHostTest, ProgressLineShowsPaceAndEndsWithTheOutcome) {
    std::chrono::steady_clock::time_point now{};
    std::ostringstream log;
    std::ostringstream errors;
    TConsoleHost host("x.nvf", log, errors, true, "cells", [&now] { return now; });
    host.SetTransferState(true, 1899);
    EXPECT_EQ(errors.str(), "\r[........................................] 0/1899\033[K")
        << "no rate before the first step";
    errors.str("");
    now += 40s;
    host.SetProgress(100);
    EXPECT_EQ(
        errors.str(),
        "\r[##......................................] 100/1899  2.5 cells/s  12:00 left\033[K");
    errors.str("");
    now += 720s;
    host.SetProgress(1899);
    EXPECT_TRUE(errors.str().ends_with("1899/1899  2.5 cells/s  0:00 left\033[K")) << errors.str();
    errors.str("");
    host.AppendLogLine("Download to x.nvf complete.");
    EXPECT_EQ(errors.str(), "\r\033[K") << "the bar is cleared and not drawn again";
    EXPECT_EQ(log.str(), "Download to x.nvf complete.\n");
}

}  // namespace
}  // namespace norvane::cli
