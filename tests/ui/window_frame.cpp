#include "tests/ui/window_frame.h"

#include <QTest>
#include <QWindow>

namespace norvane::test {

bool UnderWindowManager() {
    return !qEnvironmentVariableIsEmpty("NORVANE_WINDOW_MANAGER");
}

bool WaitUntilFramed(QWidget& window) {
    const bool expectFrame = UnderWindowManager();
    return QTest::qWaitFor(
        [&] {
            const QWindow* handle = window.windowHandle();
            return handle != nullptr && handle->isExposed() &&
                   (!expectFrame || window.frameGeometry() != window.geometry());
        },
        5000);
}

}  // namespace norvane::test
