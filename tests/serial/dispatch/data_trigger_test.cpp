// Matching bytes against one data trigger, and the dispatcher's trigger table and handles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_device_dispatcher.h"
#include "serial/dispatch/data_trigger.h"
#include "serial/errors/error_codes.h"

namespace norvane::serial::testing {
namespace {

TDataTrigger Trigger(const std::string& text, bool ignoreCase = false) {
    return MakeDataTrigger(8, reinterpret_cast<const std::uint8_t*>(text.data()),
                           static_cast<std::uint32_t>(text.size()), ignoreCase);
}

// 1-based positions in input at which the trigger completes.
std::vector<int> Completions(TDataTrigger trigger, const std::string& input) {
    std::vector<int> at;
    for (std::size_t i = 0; i < input.size(); ++i) {
        if (StepMatch(trigger, static_cast<std::uint8_t>(input[i]))) {
            at.push_back(static_cast<int>(i + 1));
        }
    }
    return at;
}

TEST(StepMatch, SelfOverlappingTriggerRestartsOnTheCompletingByte) {
    EXPECT_EQ(Completions(Trigger("aa"), "aaaaa"), (std::vector<int>{2, 3, 5}));
    EXPECT_EQ(Completions(Trigger("abab"), "ababab"), (std::vector<int>{4}));
}

TEST(StepMatch, FollowsOverlappingCandidates) {
    EXPECT_EQ(Completions(Trigger("aab"), "aaab"), (std::vector<int>{4}));
    EXPECT_EQ(Completions(Trigger("OK\r\n"), "xOOK\r\nOK\r"), (std::vector<int>{6}));
    EXPECT_EQ(Completions(Trigger("\n"), "a\n\nb\n"), (std::vector<int>{2, 3, 5}));
}

TEST(StepMatch, PartialMatchSurvivesBetweenCalls) {
    TDataTrigger trigger = Trigger("END");
    for (char c : std::string("xxEN")) {
        EXPECT_FALSE(StepMatch(trigger, static_cast<std::uint8_t>(c)));
    }
    EXPECT_TRUE(StepMatch(trigger, 'D'));
}

TEST(StepMatch, IgnoreCaseFoldsBothSides) {
    EXPECT_EQ(Completions(Trigger("ok", true), "Ok oK"), (std::vector<int>{2, 5}));
    EXPECT_TRUE(Completions(Trigger("ok"), "Ok OK").empty());
    EXPECT_EQ(Trigger("ok", true).String[0], 'O');
}

TEST(StepMatch, CaseFoldingStopsAtTheEndsOfTheAlphabet) {
    // The neighbours of the letter ranges: '@' before 'A', '[' after 'Z', '`' before 'a',
    // '{' after 'z'.
    const std::vector<std::pair<char, char>> folds{{'a', 'A'}, {'z', 'Z'}, {'A', 'A'}, {'Z', 'Z'},
                                                   {'@', '@'}, {'[', '['}, {'`', '`'}, {'{', '{'}};
    for (const auto& [byte, folded] : folds) {
        EXPECT_EQ(FoldCase(static_cast<std::uint8_t>(byte)), static_cast<std::uint8_t>(folded))
            << byte;
    }
    EXPECT_EQ(Completions(Trigger("z", true), "Z{z"), (std::vector<int>{1, 3}));
}

TEST(StepMatch, EmptyTriggerNeverMatches) {
    EXPECT_TRUE(Completions(Trigger(""), std::string("\0a\n", 3)).empty());
}

class TriggerTable : public ::testing::Test {
  protected:
    void SetUp() override { Device.Open(); }
    std::int32_t Add(const std::string& text) {
        return Device.NewDataTrigger(reinterpret_cast<const std::uint8_t*>(text.data()),
                                     static_cast<std::uint32_t>(text.size()), false);
    }
    TFakeDeviceDispatcher Device;
};

TEST_F(TriggerTable, LengthLimitIs21AndARefusalUsesNoHandle) {
    EXPECT_EQ(Add(std::string(21, 'x')), 8);
    EXPECT_EQ(Add(std::string(22, 'x')), -ecTriggerTooLong);
    EXPECT_EQ(Add(""), 16);
    EXPECT_EQ(Device.NewDataTrigger(nullptr, 1, false), -ecBadArgument);
    EXPECT_EQ(Add("\n"), 24);
}

TEST_F(TriggerTable, HandlesAreReusedOnlyAfter4095) {
    for (int i = 1; i <= 4095; ++i) {
        ASSERT_EQ(Add("\n"), i * 8);
    }
    EXPECT_EQ(Add("\n"), 32768);  // every smaller multiple of 8 is taken

    TTriggerSet set;
    Device.SaveTriggerSet(set);
    std::erase_if(set.DataTriggers, [](const TDataTrigger& t) { return t.Handle == 16; });
    ASSERT_EQ(Device.RestoreTriggerSet(set), 0);
    EXPECT_EQ(Add("\n"), 16);  // the smallest free one
    EXPECT_EQ(Add("\n"), 32776);

    TVexaBaseDispatcher::FreeTriggerSet(set);
    ASSERT_EQ(Device.RestoreTriggerSet(set), 0);
    EXPECT_EQ(Add("\n"), 8);  // all triggers gone

    Device.ClearTriggers();
    EXPECT_EQ(Add("\n"), 8);
    EXPECT_EQ(Add("\n"), 16);  // counting again
}

TEST_F(TriggerTable, RestoredTriggersKeepTheirHandlesAndNewOnesDoNotCollide) {
    Device.SetAvailThreshold(1);
    ASSERT_EQ(Add("\n"), 8);
    ASSERT_EQ(Add("OK"), 16);
    TTriggerSet saved;
    Device.SaveTriggerSet(saved);

    Device.Open();  // a reopen starts with no triggers and handles from 8
    EXPECT_EQ(Device.AvailThreshold(), 0u);
    ASSERT_EQ(Device.RestoreTriggerSet(saved), 0);
    EXPECT_EQ(Device.AvailThreshold(), 1u);
    EXPECT_EQ(Add("\n"), 24);

    TTriggerSet again;
    Device.SaveTriggerSet(again);
    ASSERT_EQ(again.DataTriggers.size(), 3u);
    EXPECT_EQ(again.DataTriggers[0].Handle, 8u);
    EXPECT_EQ(again.DataTriggers[1].Handle, 16u);
}

TEST_F(TriggerTable, RestoreRefusesDamagedRecords) {
    ASSERT_EQ(Add("\n"), 8);
    TTriggerSet set;
    set.DataTriggers.push_back(TDataTrigger{});
    set.DataTriggers.back().Length = 22;
    EXPECT_EQ(Device.RestoreTriggerSet(set), -ecBadArgument);
    TTriggerSet kept;
    Device.SaveTriggerSet(kept);
    EXPECT_EQ(kept.DataTriggers.size(), 1u);
}

}  // namespace
}  // namespace norvane::serial::testing
