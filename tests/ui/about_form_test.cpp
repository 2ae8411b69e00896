// The about box: its layout, and the hidden key sequence driven with real key events on
// the shown, modal dialog.

#include "ui/about_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QSvgRenderer>
#include <QWindow>
#include <stdexcept>
#include <vector>

#include "tests/ui/modal_answer.h"
#include "tests/ui/window_frame.h"
#include "ui/easter_egg_form.h"
#include "ui/key_sequence.h"

namespace norvane::ui {
namespace {

using ::testing::ElementsAre;

// One key event as the window system would deliver it.
struct TStroke {
    QEvent::Type type;
    int key;
    bool autoRepeat = false;
};

TStroke Down(int key) {
    return {QEvent::KeyPress, key};
}
TStroke Up(int key) {
    return {QEvent::KeyRelease, key};
}

std::vector<TStroke> Typed(const std::vector<int>& keys) {
    std::vector<TStroke> strokes;
    for (int key : keys) {
        strokes.push_back(Down(key));
        strokes.push_back(Up(key));
    }
    return strokes;
}

std::vector<TStroke> operator+(std::vector<TStroke> first, const std::vector<TStroke>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const std::vector<int> kWord = {Qt::Key_V, Qt::Key_U, Qt::Key_T, Qt::Key_A, Qt::Key_X};

// Records the key-downs that reach the dialog itself: the focused button ignores letters,
// so they arrive here only if nothing on the way swallowed them.
class TKeyRecorder : public QObject {
  public:
    std::vector<int> Pressed;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            Pressed.push_back(static_cast<QKeyEvent*>(event)->key());
        }
        return false;
    }
};

class AboutForm : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetKeySequence();
        Form.SetHiddenPictureHandler([this] { ++PictureShown; });
    }

    // Shows the box with ShowAbout(), sends the strokes to the control that has the focus
    // (the OK button), then runs `inside` while it is still shown and closes it.
    void TypeIntoShownBox(
        const std::vector<TStroke>& strokes, const std::function<void()>& inside = [] {}) {
        bool answered = false;
        test::AnswerModalOf<TAboutForm>([&](TAboutForm* box) {
            answered = true;
            FocusAtShow = QApplication::focusWidget();
            Qt::KeyboardModifiers held;
            for (const TStroke& stroke : strokes) {
                if (stroke.key == Qt::Key_Alt) {
                    held.setFlag(Qt::AltModifier, stroke.type == QEvent::KeyPress);
                }
                QKeyEvent event(stroke.type, stroke.key, held, QString(), stroke.autoRepeat);
                QApplication::sendEvent(box->OKBtn, &event);
            }
            inside();
            box->reject();
        });
        Form.ShowAbout();
        ASSERT_TRUE(answered);
    }

    TAboutForm Form;
    int PictureShown = 0;
    QWidget* FocusAtShow = nullptr;
};

TEST_F(AboutForm, LayoutTextsAndFrame) {
    EXPECT_EQ(Form.windowTitle(), "About Norvane...");
    EXPECT_EQ(Form.size(), QSize(407, 248));
    EXPECT_EQ(Form.minimumSize(), Form.maximumSize());
    EXPECT_FALSE(Form.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(Form.windowFlags().testFlag(Qt::WindowSystemMenuHint));
    EXPECT_EQ(Form.font().pixelSize(), 13);

    EXPECT_EQ(Form.LogoImage->geometry(), QRect(16, 16, 169, 217));
    EXPECT_EQ(Form.InfoPanel->geometry(), QRect(200, 16, 193, 217));
    EXPECT_EQ(Form.InfoPanel->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(Form.findChild<QLabel*>("ProductLabel")->text(), "Norvane");
    EXPECT_EQ(Form.ProductLabel->font().pixelSize(), 29);
    EXPECT_EQ(Form.ProductLabel->palette().color(QPalette::WindowText), QColor(128, 0, 0));
    EXPECT_EQ(Form.VersionLabel->text(), "Version 1.1");
    EXPECT_EQ(Form.DateLabel->text(), "05/Jun/07");
    EXPECT_EQ(Form.DateLabel->font().pixelSize(), 11);
    EXPECT_EQ(Form.DateLabel->parentWidget(), Form.InfoPanel);
    // The design bounds are the least a label gets: it grows to fit its text's font.
    EXPECT_EQ(Form.DateLabel->pos(), QPoint(73, 68));
    EXPECT_GE(Form.DateLabel->width(), 47);
    EXPECT_GE(Form.DateLabel->height(), 14);
    EXPECT_EQ(Form.WebAddressLabel->geometry(), QRect(36, 196, 119, 16));
    EXPECT_LE(Form.WebAddressLabel->fontMetrics().horizontalAdvance(Form.WebAddressLabel->text()),
              Form.WebAddressLabel->width())
        << "the address must not be clipped";

    auto* ok = Form.findChild<QPushButton*>("OKBtn");
    ASSERT_EQ(ok, Form.OKBtn);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->mapTo(&Form, QPoint(0, 0)), QPoint(200 + 59, 16 + 112));
    EXPECT_EQ(ok->size(), QSize(75, 25));
}

TEST_F(AboutForm, LogoIsDrawnAtItsNaturalSize) {
    ASSERT_TRUE(Form.LogoImage->renderer()->isValid());
    EXPECT_EQ(Form.LogoImage->renderer()->defaultSize(), QSize(169, 217));
    const QImage drawn = Form.LogoImage->grab().toImage();
    ASSERT_EQ(drawn.size(), QSize(169, 217));
    // The drawing covers the control: its corner and its middle differ from the dialog.
    const QColor background = Form.palette().color(QPalette::Window);
    EXPECT_NE(QColor(drawn.pixel(84, 84)), background);
    EXPECT_NE(QColor(drawn.pixel(84, 180)), background);
    EXPECT_NE(QColor(drawn.pixel(84, 84)), QColor(drawn.pixel(84, 180)));
}

// Centred as the user sees it: under a window manager the frame is centred, not the client
// area inside it. The window manager frames the box only once it is shown, so the frame
// counts from the second opening on.
TEST_F(AboutForm, ClosingWithOkAcceptsAndTheBoxIsCentred) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (int opening = 1; opening <= 2; ++opening) {
        SCOPED_TRACE("opening " + std::to_string(opening));
        QRect frame;
        test::AnswerModalOf<TAboutForm>([&frame](TAboutForm* box) {
            if (test::WaitUntilFramed(*box)) {
                frame = box->windowHandle()->frameGeometry();
            }
            box->OKBtn->click();
        });
        Form.ShowAbout();
        EXPECT_EQ(Form.result(), QDialog::Accepted);
        ASSERT_TRUE(frame.isValid()) << "the box was never shown";
        if (opening > 1 || !test::UnderWindowManager()) {
            EXPECT_LE((frame.center() - screen.center()).manhattanLength(), 1)
                << "frame at " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                << frame.height();
        }
    }
}

TEST_F(AboutForm, AltHeldWithTheWordOpensThePictureAndReturnsToTheBox) {
    TEasterEggForm picture;
    Form.SetHiddenPictureHandler([&] {
        ++PictureShown;
        picture.ShowHiddenPicture();
    });
    bool pictureWasModal = false;
    test::AnswerModalOf<TEasterEggForm>([&](TEasterEggForm* shown) {
        pictureWasModal = true;
        shown->OkBtn->click();
    });
    TypeIntoShownBox(std::vector{Down(Qt::Key_Alt)} + Typed(kWord), [&] {
        EXPECT_EQ(QApplication::activeModalWidget(), &Form);
        EXPECT_EQ(SequenceProgress(), 0);
    });
    EXPECT_EQ(FocusAtShow, Form.OKBtn);
    EXPECT_EQ(PictureShown, 1);
    EXPECT_TRUE(pictureWasModal);
    EXPECT_EQ(picture.result(), QDialog::Accepted);
}

TEST_F(AboutForm, SequencesThatMustNotOpenThePicture) {
    const TStroke alt = Down(Qt::Key_Alt);
    const std::vector<std::vector<TStroke>> cases = {
        Typed(kWord),
        std::vector{alt} + Typed({Qt::Key_V, Qt::Key_U}) + std::vector{Up(Qt::Key_Alt)} +
            Typed({Qt::Key_T, Qt::Key_A, Qt::Key_X}),
        std::vector{alt} +
            Typed({Qt::Key_V, Qt::Key_U, Qt::Key_Q, Qt::Key_T, Qt::Key_A, Qt::Key_X}),
        std::vector{alt} +
            Typed({Qt::Key_V, Qt::Key_V, Qt::Key_U, Qt::Key_T, Qt::Key_A, Qt::Key_X}),
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        TypeIntoShownBox(cases[i]);
        EXPECT_EQ(PictureShown, 0) << "case " << i;
    }
}

TEST_F(AboutForm, RepeatedAltAndOtherModifiersDoNotMatter) {
    const TStroke alt = Down(Qt::Key_Alt);
    const TStroke altRepeat{QEvent::KeyPress, Qt::Key_Alt, true};
    // Some window systems report a held key's repeats as release/press pairs.
    const TStroke altRepeatRelease{QEvent::KeyRelease, Qt::Key_Alt, true};
    const std::vector<std::vector<TStroke>> cases = {
        std::vector{alt} + Typed({Qt::Key_V}) + std::vector{altRepeat} + Typed({Qt::Key_U}) +
            std::vector{altRepeat, altRepeat} + Typed({Qt::Key_T, Qt::Key_A, Qt::Key_X}),
        std::vector{alt} + Typed({Qt::Key_V, Qt::Key_U}) +
            std::vector{altRepeatRelease, altRepeat} + Typed({Qt::Key_T, Qt::Key_A, Qt::Key_X}),
        std::vector{Down(Qt::Key_Shift), alt} + Typed(kWord),
        std::vector{Down(Qt::Key_Control), alt} + Typed(kWord),
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        TypeIntoShownBox(cases[i]);
        EXPECT_EQ(PictureShown, static_cast<int>(i + 1)) << "case " << i;
    }
}

TEST_F(AboutForm, KeysAreNotConsumed) {
    TKeyRecorder recorder;
    Form.installEventFilter(&recorder);
    TypeIntoShownBox(std::vector{Down(Qt::Key_Alt)} + Typed(kWord));
    EXPECT_EQ(PictureShown, 1);
    EXPECT_THAT(recorder.Pressed,
                ElementsAre(Qt::Key_Alt, Qt::Key_V, Qt::Key_U, Qt::Key_T, Qt::Key_A, Qt::Key_X));

    // The button itself acts on a key the sequence also sees: Space clicks it.
    test::AnswerModalOf<TAboutForm>([](TAboutForm* box) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent space(type, Qt::Key_Space, Qt::NoModifier);
            QApplication::sendEvent(box->OKBtn, &space);
        }
        if (box->isVisible()) {
            box->reject();
        }
    });
    Form.ShowAbout();
    EXPECT_EQ(Form.result(), QDialog::Accepted);
}

TEST_F(AboutForm, ShowAboutStartsFromTheInitialKeyState) {
    ASSERT_FALSE(SequenceKeyDown(kKeyAlt));
    for (int letter : {kKeyV, kKeyU, kKeyT, kKeyA}) {
        ASSERT_FALSE(SequenceKeyDown(letter));
    }
    TypeIntoShownBox(Typed({Qt::Key_X}));
    EXPECT_EQ(PictureShown, 0);
    EXPECT_FALSE(AltHeld());
}

TEST_F(AboutForm, KeysElsewhereDoNotCount) {
    QLineEdit elsewhere;
    for (const TStroke& stroke : std::vector{Down(Qt::Key_Alt)} + Typed(kWord)) {
        QKeyEvent event(stroke.type, stroke.key, Qt::AltModifier);
        QApplication::sendEvent(&elsewhere, &event);
    }
    EXPECT_FALSE(AltHeld());
    EXPECT_EQ(PictureShown, 0);
}

TEST_F(AboutForm, AFailingPictureIsReportedAndTheBoxStaysUsable) {
    Form.SetHiddenPictureHandler([] { throw std::runtime_error("Picture damaged"); });
    QString reported;
    test::AnswerMessageBox(nullptr, &reported);
    TypeIntoShownBox(std::vector{Down(Qt::Key_Alt)} + Typed(kWord), [&] {
        EXPECT_EQ(QApplication::activeModalWidget(), &Form);
        EXPECT_EQ(SequenceProgress(), 0);
    });
    EXPECT_EQ(reported, "Picture damaged.");
}

}  // namespace
}  // namespace norvane::ui
