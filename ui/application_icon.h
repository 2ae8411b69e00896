#pragma once
// The program's icon, for QApplication::setWindowIcon().

#include <QIcon>

namespace norvane::ui {

// The gauge icon: one picture of 16 x 16 and one of 32 x 32 pixels, 16 colours each. Other
// sizes are scaled from those. (resources/icons/norvane.svg is the same drawing for desktop
// menus.) Needs a QGuiApplication.
QIcon ApplicationIcon();

}  // namespace norvane::ui
