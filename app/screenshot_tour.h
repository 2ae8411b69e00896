#pragma once
// Pictures of every window for review, taken by the program itself (the hidden option
// --screenshots DIR, run under a display server such as Xvfb, in demo mode).
//
// The tour runs the start-up steps at once, then opens each window in turn, saves what it
// shows as DIR/<name>.png and closes it again. On X11 the picture is the screen's pixels
// of the window and its frame, taken once a window manager has framed it (the tour waits
// up to 2 s for that); elsewhere the window's own pixels (QWidget::grab). The windows: the
// main window before and
// after a download, the about box, the hidden picture, the port settings dialog, the
// Select Port dialog, both transfer dialogs idle, the download dialog while it transfers
// (from the demo instrument), and the error report.
//
// User-interface thread; runs its own event loops (the modal dialogs').

#include <QString>

namespace norvane::app {

class TNorvaneApplication;

// Returns 0 when every picture was written, 1 otherwise (the failures go to stderr). Leaves
// the main window closed.
int RunScreenshotTour(TNorvaneApplication& application, const QString& directory);

}  // namespace norvane::app
