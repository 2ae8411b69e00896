#pragma once
// What the program's small fixed-size dialogs share: the frame, the font and the place.

#include <QDialog>
#include <QPushButton>
#include <QString>

namespace norvane::ui {

// A fixed dialog frame without title-bar buttons, `clientWidth` x `clientHeight` client
// pixels, titled `title`, in Arial of `fontPixels` pixels.
void MakeFixedDialog(QDialog* dialog, const QString& title, int clientWidth, int clientHeight,
                     int fontPixels);

// Places `window`'s client area in the centre of the primary screen's available area
// (no-op without a screen).
void CentreOnScreen(QWidget* window);

// Arial of `pixels` character height.
QFont ArialOfPixels(int pixels);

// The standard OK button: caption "OK" with the OK symbol, the dialog's default button,
// closing `dialog` with the result Accepted. Owned by `parent`.
QPushButton* MakeOkButton(QDialog* dialog, QWidget* parent, const char* objectName);

}  // namespace norvane::ui
