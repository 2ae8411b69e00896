#pragma once
// What the program's small fixed-size dialogs share: the frame, the font and the OK button.

#include <QDialog>
#include <QFont>
#include <QPushButton>
#include <QString>

namespace norvane::ui {

// The frame of a fixed dialog: a title bar without buttons (no system menu, minimize,
// maximize or close box).
inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

// A fixed dialog frame without title-bar buttons, `clientWidth` x `clientHeight` client
// pixels, titled `title`, in Arial of `fontPixels` pixels.
void MakeFixedDialog(QDialog* dialog, const QString& title, int clientWidth, int clientHeight,
                     int fontPixels);

// Arial of `pixels` character height.
QFont ArialOfPixels(int pixels);

// The standard OK button: caption "OK" with the OK symbol, the dialog's default button,
// closing `dialog` with the result Accepted. Owned by `parent`.
QPushButton* MakeOkButton(QDialog* dialog, QWidget* parent, const char* objectName);

}  // namespace norvane::ui
