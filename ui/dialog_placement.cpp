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
    widget.move(placed.topLeft());
}

}  // namespace norvane::ui
