#include "ui/com_select_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <filesystem>

#include "serial/errors/application_hooks.h"
#include "serial/linux/posix_serial_device.h"
#include "session/instrument_session.h"
#include "tests/serial/linux/driver_test_support.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/modal_answer.h"

namespace norvane::ui {
namespace {

namespace fs = std::filesystem;
using norvane::test::TTempDir;
using serial::testing::TPtyController;

QStringList Entries(const QComboBox& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.itemText(i);
    }
    return texts;
}

// A machine whose /dev holds a free adapter (port 1), an unplugged one whose node is left
// dangling (port 2) and one another program holds (port 3); port 12 is assigned by hand.
class ComSelectFormTest : public ::testing::Test {
  protected:
    ComSelectFormTest() {
        fs::create_directories(Dir / "dev");
        fs::create_symlink(Free.Path(), Dir / "dev/ttyUSB0");
        fs::create_symlink(Dir / "dev/gone", Dir / "dev/ttyUSB1");
        fs::create_symlink(Held.Path(), Dir / "dev/ttyUSB2");
        if (Holder.Open(Held.Path()) != 0) {
            throw std::runtime_error("cannot hold the pseudo-terminal");
        }
        Map.Assign(12, Assigned.Path());
    }

    TTempDir Dir;
    TPtyController Free, Held, Assigned;
    serial::TPosixSerialDevice Holder;
    serial::TPortMap Map{Dir / "dev", Dir / "tty", Dir / "consoles"};
};

TEST_F(ComSelectFormTest, OffersExactlyThePortsWhoseDeviceIsThere) {
    TComSelectForm form(Map);
    const QComboBox& list = *form.findChild<QComboBox*>("PortComboBox");
    EXPECT_EQ(Entries(list), (QStringList{"COM1", "COM3", "COM12"}));
    EXPECT_EQ(list.currentIndex(), 0);
    EXPECT_EQ(list.itemData(0, Qt::ToolTipRole).toString(),
              QString::fromStdString(Dir / "dev/ttyUSB0"));
    EXPECT_EQ(list.itemData(2, Qt::ToolTipRole).toString(),
              QString::fromStdString(Assigned.Path()));
    EXPECT_EQ(form.ChosenPort(), 1);

    EXPECT_EQ(form.windowTitle(), "Select Port");
    EXPECT_EQ(form.size(), QSize(220, 131));
    QStringList lines;
    for (const QLabel* label : form.findChild<QFrame*>("Panel")->findChildren<QLabel*>()) {
        lines << label->text();
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
            << "clipped: " << label->text().toStdString();
    }
    EXPECT_EQ(lines, (QStringList{"The configured serial port is not valid.",
                                  "Please choose another port."}));
    EXPECT_TRUE(form.findChild<QPushButton*>("OKBtn")->isDefault());
}

TEST_F(ComSelectFormTest, OkChoosesTheSelectedNumberCancelAborts) {
    TComSelectForm form(Map);
    form.findChild<QComboBox*>("PortComboBox")->setCurrentIndex(2);
    EXPECT_EQ(form.ChosenPort(), 12);
    form.findChild<QPushButton*>("OKBtn")->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    form.findChild<QPushButton*>("CancelBtn")->click();
    EXPECT_EQ(form.result(), TComSelectForm::kAbortResult);
}

TEST(ComSelectForm, WithNoPortThereNothingCanBeChosen) {
    TTempDir dir;
    serial::TPortMap nowhere(dir / "dev", dir / "tty", dir / "consoles");
    TComSelectForm form(nowhere);
    EXPECT_EQ(form.findChild<QComboBox*>("PortComboBox")->count(), 0);
    EXPECT_EQ(form.ChosenPort(), std::nullopt);
}

class PromptForPortTest : public ::testing::Test {
  protected:
    PromptForPortTest() { serial::PortMap().Assign(17, Pty.Path()); }
    ~PromptForPortTest() override {
        serial::PortMap().ClearAssignments();
        serial::SetPortPrompt({});
    }
    // The next Select Port dialog picks COM17 and closes with `button`.
    static void Answer(const char* button) {
        test::AnswerModalOf<TComSelectForm>([button](TComSelectForm* form) {
            auto* list = form->findChild<QComboBox*>("PortComboBox");
            list->setCurrentIndex(list->findText("COM17"));
            form->findChild<QPushButton*>(button)->click();
        });
    }

    TPtyController Pty;
};

TEST_F(PromptForPortTest, ReturnsTheChosenNumberOrNothing) {
    Answer("OKBtn");
    EXPECT_EQ(PromptForPort(), 17);
    Answer("CancelBtn");
    EXPECT_EQ(PromptForPort(), std::nullopt);
    test::AnswerModalOf<TComSelectForm>([](TComSelectForm* form) { form->close(); });
    EXPECT_EQ(PromptForPort(), std::nullopt) << "the close box is not OK";
}

TEST_F(PromptForPortTest, APortWithoutNumberAsksTheUserWhenItOpens) {
    serial::SetPortPrompt(&PromptForPort);
    session::TInstrumentSession session;
    session.ComPort().SetComNumber(0);
    Answer("OKBtn");
    session.Link().AddLineTrigger();
    EXPECT_TRUE(session.ComPort().Open());
    EXPECT_EQ(session.ComPort().ComNumber(), 17);
}

}  // namespace
}  // namespace norvane::ui
