#include "ui/application_icon.h"

// Resources compiled into a static library are only linked in when something names them.
static void LoadIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace norvane::ui {

QIcon ApplicationIcon() {
    LoadIconResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/norvane-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/norvane-32.png"), QSize(32, 32));
    return icon;
}

}  // namespace norvane::ui
