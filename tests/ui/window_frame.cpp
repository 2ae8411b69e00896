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
            // The platform window knows its frame at once; QWidget's copy follows only with
            // the next move.
            return handle != nullptr && handle->isExposed() &&
                   (!expectFrame || !handle->frameMargins().isNull());
        },
        5000);
}

}  // namespace norvane::test
