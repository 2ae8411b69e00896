#include "app/guarded_application.h"

#include "ui/error_report.h"

namespace norvane::app {

TGuardedApplication::TGuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TGuardedApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    ui::Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

}  // namespace norvane::app
