#include "ui/dialog_placement.h"

#include <QGuiApplication>
#include <QScreen>

namespace norvane::ui {

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QPoint centre = screen->availableGeometry().center();
    QRect outer = window.frameGeometry();
    if (outer.size() == window.size()) {
        // No frame known yet (the window manager adds it at the first showing). It will
        // surround the client area about evenly, so the client area is what to centre;
        // setGeometry() places the client area, where move() would place the frame's corner.
        QRect client(QPoint(0, 0), window.size());
        client.moveCenter(centre);
        window.setGeometry(client);
        return;
    }
    outer.moveCenter(centre);
    window.move(outer.topLeft());
}

}  // namespace norvane::ui
