// The real main window under its form sizer. The offscreen screen comes from the platform's
// configuration file: 1280 x 1024 normally, 1024 x 768 for one extra run (CMakeLists.txt).
// The window-manager run shows it on both screens once more, framed by a window manager.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/main_form.h"
#include "sizing/sizer_process_state.h"
#include "tests/ui/window_frame.h"

namespace norvane::app {
namespace {

class MainFormSizing : public ::testing::Test {
  protected:
    MainFormSizing() { sizing::ResetSizerProcessStateForTesting(); }
    void Show() {
        Form.StartupTimer().stop();
        Form.show();
        ASSERT_TRUE(test::WaitUntilFramed(Form));
        QApplication::processEvents();
    }
    void Drag(int dx, int dy) {
        Form.resize(Form.width() + dx, Form.height() + dy);
        QApplication::processEvents();
    }
    QSize Client() const { return Form.centralWidget()->size(); }

    TMainForm Form;
};

TEST_F(MainFormSizing, ClientAreaFitsTheScreenAndNoControlMoves) {
    Show();
    const QSize screen = Form.screen()->size();
    const int expectedHeight = screen == QSize(1024, 768) ? 369 : 374;
    ASSERT_TRUE(screen == QSize(1280, 1024) || screen == QSize(1024, 768));
    EXPECT_EQ(Client(), QSize(552, expectedHeight));
    EXPECT_EQ(Form.MessageWindow().geometry(), QRect(24, 68, 505, 285));
    EXPECT_EQ(Form.CommandButton(TMainCommand::Download)->geometry(), QRect(24, 8, 25, 25));
}

TEST_F(MainFormSizing, CornerDragScalesControlsAndFontsInProportion) {
    Show();
    if (Client() != QSize(552, 374)) {
        GTEST_SKIP() << "the proportions below belong to the design-sized window";
    }
    Drag(248, 168);
    EXPECT_EQ(Client(), QSize(800, 542));
    EXPECT_EQ(Form.MessageWindow().geometry(), QRect(35, 99, 732, 413));
    EXPECT_EQ(Form.CommandButton(TMainCommand::Exit)->geometry().left(), 187);  // 129 * 800 / 552
    EXPECT_EQ(QFontInfo(Form.MessageWindow().font()).pixelSize(), 19);
}

// Dragged to 300 pixels wide the log read in 7-pixel letters and the tool buttons were
// narrower than their pictures: the window springs back to its design width instead.
TEST_F(MainFormSizing, DraggedSmallerThanItsDesignTheWindowKeepsItsDesignSize) {
    Show();
    for (const QSize drag : {QSize(-252, -120), QSize(-100, 0), QSize(0, -100)}) {
        SCOPED_TRACE(std::to_string(drag.width()) + ", " + std::to_string(drag.height()));
        Drag(drag.width(), drag.height());
        // Under a window manager the size it gave and the sizer's answer come back later.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return Client().width() == 552 && Client().height() >= 369; }, 5000))
            << "client " << Client().width() << " x " << Client().height();
        EXPECT_EQ(QFontInfo(Form.MessageWindow().font()).pixelSize(), 13);
        EXPECT_EQ(Form.CommandButton(TMainCommand::Download)->geometry(), QRect(24, 8, 25, 25));
    }
}

}  // namespace
}  // namespace norvane::app
