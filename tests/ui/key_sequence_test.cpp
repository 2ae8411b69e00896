// The key-sequence rules on their own, and the translation of Qt's key codes.

#include "ui/key_sequence.h"

#include <gtest/gtest.h>

#include <Qt>
#include <initializer_list>
#include <string>
#include <vector>

namespace norvane::ui {
namespace {

// Plays a script of key events: "+" before a key is its key-down, "-" its key-up; "Alt"
// or a single letter. Returns how many times the sequence completed.
int Play(const std::vector<std::string>& script) {
    int completed = 0;
    for (const std::string& step : script) {
        const std::string name = step.substr(1);
        const int code = name == "Alt" ? kKeyAlt : static_cast<int>(name[0]);
        if (step[0] == '+') {
            completed += SequenceKeyDown(code) ? 1 : 0;
        } else {
            SequenceKeyUp(code);
        }
    }
    return completed;
}

class KeySequence : public ::testing::Test {
  protected:
    void SetUp() override { ResetKeySequence(); }
};

TEST_F(KeySequence, AltHeldWhileTheFiveLettersAreTypedCompletesOnceAndStartsOver) {
    EXPECT_EQ(Play({"+Alt", "+V", "+U", "+T", "+A"}), 0);
    EXPECT_EQ(SequenceProgress(), 4);
    EXPECT_EQ(Play({"+X"}), 1);
    EXPECT_EQ(SequenceProgress(), 0);
    EXPECT_TRUE(AltHeld());
    // Still holding Alt: a second X alone does nothing, the whole word again works.
    EXPECT_EQ(Play({"+X"}), 0);
    EXPECT_EQ(Play({"+V", "+U", "+T", "+A", "+X"}), 1);
}

TEST_F(KeySequence, WithoutAltOrWithAltReleasedInBetweenNothingOpens) {
    EXPECT_EQ(Play({"+V", "+U", "+T", "+A", "+X"}), 0);
    EXPECT_EQ(Play({"+Alt", "+V", "+U", "-Alt", "+T", "+A", "+X"}), 0);
    EXPECT_FALSE(AltHeld());
    // Releasing a letter is not releasing Alt.
    EXPECT_EQ(Play({"+Alt", "+V", "-V", "+U", "-U", "+T", "+A", "+X"}), 1);
}

TEST_F(KeySequence, AWrongOrRepeatedLetterStartsFromTheBeginning) {
    EXPECT_EQ(Play({"+Alt", "+V", "+U", "+Q", "+T", "+A", "+X"}), 0);
    EXPECT_EQ(Play({"+V", "+U", "+T", "+A", "+Q", "+X"}), 0);
    EXPECT_EQ(Play({"+V", "+V", "+U", "+T", "+A", "+X"}), 0);
    // The letter that broke the sequence does not count as its start: V V V begins anew.
    EXPECT_EQ(Play({"+V", "+V", "+V", "+U", "+T", "+A", "+X"}), 1);
}

TEST_F(KeySequence, RepeatedAltKeyDownsDoNotDisturbTheLetters) {
    EXPECT_EQ(Play({"+Alt", "+V", "+Alt", "+U", "+Alt", "+Alt", "+T", "+A", "+Alt", "+X"}), 1);
}

TEST_F(KeySequence, ResetForgetsAltAndProgress) {
    EXPECT_EQ(Play({"+Alt", "+V", "+U", "+T", "+A"}), 0);
    ResetKeySequence();
    EXPECT_FALSE(AltHeld());
    EXPECT_EQ(SequenceProgress(), 0);
    EXPECT_EQ(Play({"+X"}), 0);
}

TEST(KeyCodeOfQtKey, LettersAltAndEverythingElse) {
    EXPECT_EQ(KeyCodeOfQtKey(Qt::Key_V), kKeyV);
    EXPECT_EQ(KeyCodeOfQtKey(Qt::Key_U), kKeyU);
    EXPECT_EQ(KeyCodeOfQtKey(Qt::Key_T), kKeyT);
    EXPECT_EQ(KeyCodeOfQtKey(Qt::Key_A), kKeyA);
    EXPECT_EQ(KeyCodeOfQtKey(Qt::Key_X), kKeyX);
    EXPECT_EQ(KeyCodeOfQtKey(Qt::Key_Q), 'Q');
    EXPECT_EQ(KeyCodeOfQtKey(Qt::Key_Alt), kKeyAlt);
    EXPECT_EQ(KeyCodeOfQtKey(Qt::Key_AltGr), kKeyAlt);
    // Keys whose Qt codes are large, or that collide with nothing: none may pose as one of
    // the sequence's keys (Qt::Key_Alt itself is 0x01000023, not 18).
    for (int other : std::initializer_list<int>{Qt::Key_Shift, Qt::Key_Control, Qt::Key_Meta,
                                                Qt::Key_Escape, Qt::Key_Space, Qt::Key_F1,
                                                Qt::Key_unknown, 0x56 + 0x01000000}) {
        const int code = KeyCodeOfQtKey(other);
        EXPECT_NE(code, kKeyAlt) << other;
        EXPECT_TRUE(code < kKeyA || code > 'Z') << other;
    }
}

}  // namespace
}  // namespace norvane::ui
