#pragma once
// The about box's hidden key sequence: Alt held while V, U, T, A, X are typed in order.
//
// The state belongs to the process, not to a dialog, so it lives here once. Keys are the
// platform-neutral virtual key codes below; KeyCodeOfQtKey() translates Qt's key codes.
// Everything here runs on the user-interface thread only.

namespace norvane::ui {

inline constexpr int kKeyAlt = 18;
inline constexpr int kKeyV = 86;
inline constexpr int kKeyU = 85;
inline constexpr int kKeyT = 84;
inline constexpr int kKeyA = 65;
inline constexpr int kKeyX = 88;
// What KeyCodeOfQtKey() gives for a key that has no code of its own here.
inline constexpr int kKeyOther = 0;

// Alt went down and has not come up since.
bool AltHeld();
// How many letters of the sequence (0 to 4) have been typed in order.
int SequenceProgress();

// Back to the initial state: Alt not held, no letters typed.
void ResetKeySequence();

// One key-down. Returns true when this key completed the sequence; the caller then shows
// the hidden picture. The progress is already back at 0 when it returns true, so a
// failure while showing the picture cannot leave the sequence one key from complete.
[[nodiscard]] bool SequenceKeyDown(int keyCode);

// One key-up: only Alt's changes anything (it clears AltHeld()).
void SequenceKeyUp(int keyCode);

// Qt's key code (Qt::Key) as the code above: letters A-Z and digits map to their
// upper-case character codes, Alt (either Alt key) to kKeyAlt, anything else to kKeyOther.
int KeyCodeOfQtKey(int qtKey);

}  // namespace norvane::ui
