#include "ui/key_sequence.h"

#include <Qt>

namespace norvane::ui {

namespace {

struct TKeySequenceState {
    bool AltHeld = false;
    int SequenceProgress = 0;
};

TKeySequenceState& State() {
    static TKeySequenceState state;
    return state;
}

// The letter that advances the sequence from `progress`, or kKeyOther past its end.
int ExpectedLetter(int progress) {
    constexpr int kLetters[] = {kKeyV, kKeyU, kKeyT, kKeyA, kKeyX};
    return progress >= 0 && progress < 5 ? kLetters[progress] : kKeyOther;
}

}  // namespace

bool AltHeld() {
    return State().AltHeld;
}

int SequenceProgress() {
    return State().SequenceProgress;
}

void ResetKeySequence() {
    State() = TKeySequenceState{};
}

bool SequenceKeyDown(int keyCode) {
    TKeySequenceState& state = State();
    if (keyCode == kKeyAlt) {
        // A held Alt key repeats its key-down; that must not disturb the letters typed so far.
        state.AltHeld = true;
        return false;
    }
    const bool inOrder = state.AltHeld && keyCode == ExpectedLetter(state.SequenceProgress);
    if (inOrder && keyCode != kKeyX) {
        ++state.SequenceProgress;
        return false;
    }
    state.SequenceProgress = 0;
    return inOrder;
}

void SequenceKeyUp(int keyCode) {
    if (keyCode == kKeyAlt) {
        State().AltHeld = false;
    }
}

int KeyCodeOfQtKey(int qtKey) {
    // Qt's codes for letters and digits are their upper-case ASCII codes already.
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return qtKey;
    }
    // Depending on the keyboard map the right Alt key arrives as AltGr; it is still an Alt key.
    if (qtKey == Qt::Key_Alt || qtKey == Qt::Key_AltGr) {
        return kKeyAlt;
    }
    return kKeyOther;
}

}  // namespace norvane::ui
