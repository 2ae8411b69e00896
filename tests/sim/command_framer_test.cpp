#include "sim/command_framer.h"

#include <gtest/gtest.h>

namespace norvane::sim {
namespace {

using TCommands = std::vector<std::string>;

TEST(CommandFramer, CrLfEndsACommandAndCrAloneDoesNot) {
    TCommandFramer framer;
    EXPECT_EQ(framer.Feed("?B1/1\r"), TCommands{});
    EXPECT_EQ(framer.Feed("\n"), TCommands{"?B1/1"});
}

TEST(CommandFramer, CrAnywhereIsDropped) {
    TCommandFramer framer;
    EXPECT_EQ(framer.Feed("\r?B1\r/1\r\r\n\r=5,A\n"), (TCommands{"?B1/1", "=5,A"}));
    EXPECT_EQ(framer.Pending(), "");
}

TEST(CommandFramer, EmptyLinesAreLineClears) {
    TCommandFramer framer;
    EXPECT_EQ(framer.Feed("\r\n\n\r\r\n"), (TCommands{"", "", ""}));
}

TEST(CommandFramer, CommandSplitAcrossReadsIsJoined) {
    TCommandFramer framer;
    TCommands all;
    for (const char* piece : {"?", "B1/", "18", "99\r", "\n=1", ",X\r\n"}) {
        for (std::string& command : framer.Feed(piece)) {
            all.push_back(std::move(command));
        }
    }
    EXPECT_EQ(all, (TCommands{"?B1/1899", "=1,X"}));
}

TEST(CommandFramer, OverlongCommandIsTruncatedAndTheNextOneIsIntact) {
    TCommandFramer framer;
    const std::string flood(TCommandFramer::kMaxCommandLength + 100, 'x');
    const TCommands commands = framer.Feed(flood + "\n?B1/1\n");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].size(), TCommandFramer::kMaxCommandLength);
    EXPECT_EQ(commands[1], "?B1/1");
}

}  // namespace
}  // namespace norvane::sim
