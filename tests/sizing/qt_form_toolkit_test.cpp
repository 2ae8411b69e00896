// The sizer on a real Qt main window, on the offscreen platform. The screen size comes from
// the platform's configuration file (see CMakeLists.txt).

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTextEdit>
#include <QToolButton>
#include <memory>
#include <ostream>

#include "sizing/gt_form.h"
#include "sizing/qt_form_toolkit.h"
#include "sizing/sizer_process_state.h"
#include "sizing/stored_values.h"

// Readable failures.
void PrintTo(const QSize& size, std::ostream* out) {
    *out << size.width() << " x " << size.height();
}
void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "(" << rect.x() << ", " << rect.y() << ") " << rect.width() << " x " << rect.height();
}

namespace norvane::sizing {
namespace {

QFont PixelFont(int pixels) {
    QFont font("Arial");
    font.setPixelSize(pixels);
    return font;
}

// Laid out like the application's main window, plus two labels with fonts of their own, one
// of them tagged to keep its font.
class TTestMainWindow : public QMainWindow {
  public:
    TTestMainWindow() {
        menuBar()->addMenu("&Menu")->addAction("E&xit");
        setCentralWidget(new QWidget);
        setFont(PixelFont(13));
        QWidget* client = centralWidget();
        auto* bevel = new QFrame(client);
        bevel->setFrameShape(QFrame::HLine);
        bevel->setGeometry(0, 0, 551, 2);
        for (const int left : {24, 48, 88, 129}) {
            (new QToolButton(client))->setGeometry(left, 8, 25, 25);
        }
        MessageLabel = new QLabel("Messages:", client);
        MessageLabel->setGeometry(24, 46, 52, 13);
        MessageWindow = new QTextEdit(client);
        MessageWindow->setReadOnly(true);
        MessageWindow->setGeometry(24, 68, 505, 285);
        OwnFont = new QLabel("own", client);
        OwnFont->setGeometry(300, 46, 60, 13);
        OwnFont->setFont(PixelFont(12));
        KeptFont = new QLabel("kept", client);
        KeptFont->setGeometry(400, 46, 60, 13);
        KeptFont->setFont(PixelFont(12));
        KeptFont->setProperty(kTagProperty, 1);
    }

    QSize Client() const { return centralWidget()->size(); }
    int ClientFont() const { return centralWidget()->font().pixelSize(); }

    QLabel* MessageLabel;
    QTextEdit* MessageWindow;
    QLabel* OwnFont;
    QLabel* KeptFont;
};

class QtMainWindow : public ::testing::Test {
  protected:
    QtMainWindow() { ResetSizerProcessStateForTesting(); }

    void AttachAndShow() {
        Sizer = AttachFormSizer(Window);
        Window.show();
        QApplication::processEvents();
    }
    // The user drags the window's borders by (dx, dy) pixels.
    void Drag(int dx, int dy) {
        Window.resize(Window.width() + dx, Window.height() + dy);
        QApplication::processEvents();
    }

    TTestMainWindow Window;
    std::unique_ptr<TQtFormSizer> Sizer;
};

TEST_F(QtMainWindow, SizedForTheScreen) {
    AttachAndShow();
    const QSize screen = Window.screen()->size();
    if (screen == QSize(1280, 1024)) {
        EXPECT_EQ(Window.Client(), QSize(552, 374));
    } else if (screen == QSize(1024, 768)) {
        EXPECT_EQ(Window.Client(), QSize(552, 369));
    } else {
        FAIL() << "run on a 1280 x 1024 or 1024 x 768 offscreen screen, not " << screen.width()
               << " x " << screen.height();
    }
    EXPECT_EQ(Window.MessageWindow->geometry(), QRect(24, 68, 505, 285));
    EXPECT_EQ(Window.MessageLabel->geometry(), QRect(24, 46, 52, 13));
    EXPECT_EQ(Window.ClientFont(), 13);
    // The menu bar lies outside the client area.
    EXPECT_EQ(Window.height() - Window.Client().height(), Window.menuBar()->height());
}

TEST_F(QtMainWindow, CornerDragKeepsTheAspectRatioAndScalesControlsAndFonts) {
    AttachAndShow();
    ASSERT_EQ(Window.Client(), QSize(552, 374));
    Drag(248, 168);
    EXPECT_EQ(Window.Client(), QSize(800, 542));
    EXPECT_EQ(Window.MessageWindow->geometry(), QRect(35, 99, 732, 413));
    EXPECT_EQ(Window.ClientFont(), 19);  // 13 * 542 / 374
    EXPECT_EQ(Window.OwnFont->font().pixelSize(), 17);
    EXPECT_EQ(Window.KeptFont->font().pixelSize(), 12);
    // Following the window's font, never given one of its own.
    EXPECT_FALSE(Window.MessageLabel->testAttribute(Qt::WA_SetFont));
    EXPECT_EQ(QFontInfo(Window.MessageLabel->font()).pixelSize(), 19);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Window.updatesEnabled());
}

TEST_F(QtMainWindow, BottomBorderDragMakesTheWidthFollow) {
    AttachAndShow();
    Drag(0, 50);
    // round(424 * 552 / 374)
    EXPECT_EQ(Window.Client(), QSize(626, 424));
}

TEST_F(QtMainWindow, SideDragMakesTheHeightFollow) {
    AttachAndShow();
    Drag(148, 0);
    // round(700 * 374 / 552)
    EXPECT_EQ(Window.Client(), QSize(700, 474));
}

TEST_F(QtMainWindow, DetachedSizerNoLongerRescales) {
    AttachAndShow();
    Sizer.reset();
    Drag(248, 168);
    EXPECT_EQ(Window.Client(), QSize(800, 542));
    EXPECT_EQ(Window.MessageWindow->geometry(), QRect(24, 68, 505, 285));
}

TEST_F(QtMainWindow, ForwardsTheWindowsOwnHandlers) {
    int shows = 0;
    TFormEventSlots own;
    own.OnShow = [&](IForm&) { ++shows; };
    own.OnCloseQuery = [](IForm&, bool& canClose) { canClose = false; };
    Sizer = std::make_unique<TQtFormSizer>(Window, MainFormSizerValues(), own);
    Window.show();
    QApplication::processEvents();
    EXPECT_EQ(shows, 1);
    EXPECT_FALSE(Window.close());
    EXPECT_TRUE(Window.isVisible());
}

TEST_F(QtMainWindow, SizesAWindowAttachedWhileShown) {
    Window.resize(300, 200);
    Window.show();
    QApplication::processEvents();
    Sizer = AttachFormSizer(Window);
    QApplication::processEvents();
    EXPECT_EQ(Window.Client().width(), 552);
    EXPECT_EQ(Window.MessageWindow->geometry(), QRect(24, 68, 505, 285));
}

}  // namespace
}  // namespace norvane::sizing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the cases (as the build does to register them) needs no display.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
