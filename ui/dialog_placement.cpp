#include "ui/dialog_placement.h"

#include <QGuiApplication>
#include <QScreen>

namespace norvane::ui {

void CentreOnScreen(QWidget& widget) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect placed(QPoint(0, 0), widget.size());
    placed.moveCenter(screen->availableGeometry().center());
    // setGeometry() places the client area; move() would place the frame's corner there.
    widget.setGeometry(placed);
}

}  // namespace norvane::ui
