#pragma once
// Where the program's windows appear.

#include <QWidget>

namespace norvane::ui {

// Moves the top-level window so that it is centred on the primary screen's available area
// as the user sees it: once the window manager has framed it, the frame is centred, not the
// client area inside it. A window not framed yet has its client area centred, which comes
// closest while the frame is unknown. Call before showing it. Does nothing without a screen.
void CentreOnScreen(QWidget& window);

}  // namespace norvane::ui
