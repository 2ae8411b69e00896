#pragma once
// Where the program's dialogs appear.

#include <QWidget>

namespace norvane::ui {

// Moves the widget so that its client area is centred on the primary screen's available
// area. Call before showing it. Does nothing without a screen.
void CentreOnScreen(QWidget& widget);

}  // namespace norvane::ui
