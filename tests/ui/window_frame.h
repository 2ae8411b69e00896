#pragma once
// Waiting for a window as the user sees it.
//
// Under a real window manager (the window-manager run sets NORVANE_WINDOW_MANAGER) a shown
// window is framed, placed and exposed a little later; on the offscreen platform there is
// no frame and the window is exposed at once.

#include <QWidget>

namespace norvane::test {

// True when the run has a window manager that frames windows.
bool UnderWindowManager();

// Runs the event loop until `window` is exposed and, under a window manager, framed; false
// when that did not happen within 5 seconds.
[[nodiscard]] bool WaitUntilFramed(QWidget& window);

}  // namespace norvane::test
