#pragma once
// What the program's small fixed-size dialogs share: the frame, the font and the OK button.

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QString>

namespace norvane::ui {

// The frame of a fixed dialog: a title bar without buttons (no system menu, minimize,
// maximize or close box) around a client area of fixed size. Qt turns these into the hints
// window managers read (a dialog window type, Motif functions without minimize, maximize and
// close, equal minimum and maximum size); how the frame looks is still the window manager's
// choice: openbox, for one, keeps its minimize and close buttons on every window.
inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;

// A fixed dialog frame without title-bar buttons, `clientWidth` x `clientHeight` client
// pixels, titled `title`, in Arial of `fontPixels` pixels.
void MakeFixedDialog(QDialog* dialog, const QString& title, int clientWidth, int clientHeight,
                     int fontPixels);

// Arial of `pixels` character height.
QFont ArialOfPixels(int pixels);

// Makes the label at least as large as its text needs in the font it has, so that no font
// standing in for Arial cuts the text off. The design bounds are a minimum: the label grows
// away from the side its text is aligned to (both ways when centred), stays inside its
// parent, and where the parent is too narrow the label's font shrinks until the text fits.
// Call once the label has its text, font, alignment and design bounds.
void FitLabelToText(QLabel& label);

// The standard OK button: caption "OK" with the OK symbol, the dialog's default button,
// closing `dialog` with the result Accepted. Owned by `parent`.
QPushButton* MakeOkButton(QDialog* dialog, QWidget* parent, const char* objectName);

}  // namespace norvane::ui
