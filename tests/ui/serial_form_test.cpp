#include "ui/serial_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <stdexcept>

#include "serial/errors/application_hooks.h"
#include "serial/ports/port_map.h"
#include "session/port_settings_file.h"
#include "tests/serial/linux/driver_test_support.h"
#include "tests/serial/linux/other_process.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/modal_answer.h"
#include "ui/error_report.h"
#include "ui/server_wait_box.h"

namespace norvane::ui {
namespace {

using norvane::test::ReadFile;
using norvane::test::TTempDir;
using norvane::test::WriteFile;
using serial::testing::TPtyController;

class SerialFormTest : public ::testing::Test {
  protected:
    ~SerialFormTest() override { serial::PortMap().ClearAssignments(); }

    QComboBox& List(const char* name) { return *Form.findChild<QComboBox*>(name); }
    QPushButton& Button(const char* name) { return *Form.findChild<QPushButton*>(name); }
    QStringList Selected() {
        QStringList texts;
        for (const char* name : {"ComPortComboBox", "BaudRateComboBox", "ParityComboBox",
                                 "DataBitsComboBox", "StopBitsComboBox"}) {
            texts << List(name).currentText();
        }
        return texts;
    }
    void WriteSettings(const std::string& text) { WriteFile(Path, text); }
    std::string DevicesFor(int port) {
        return "[PortDevices]\n" + std::to_string(port) + "=" + Pty.Path() + "\n";
    }
    std::string ApplyFailure() {
        try {
            Form.ApplyPortSettings();
        } catch (const std::runtime_error& failure) {
            return failure.what();
        }
        return "applied";
    }

    TTempDir Dir;
    std::string Path = Dir / "Norvane.ini";
    TPtyController Pty;  // outlives the session, whose port may have it open
    session::TInstrumentSession Session;
    TSerialForm Form{Session, QString::fromStdString(Path)};
    serial::TVexaComPort& Port = Form.ComPort();
};

TEST_F(SerialFormTest, ShowsTheFiveListsAndTwoButtonsWhereTheyBelong) {
    EXPECT_EQ(Form.windowTitle(), "Configure ComPort");
    EXPECT_EQ(Form.size(), QSize(360, 167));
    EXPECT_EQ(Form.minimumSize(), Form.maximumSize());
    EXPECT_FALSE(Form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Form.font().pixelSize(), 13);
    EXPECT_EQ(List("ComPortComboBox").count(), 16);
    EXPECT_EQ(List("ComPortComboBox").itemText(15), "16");
    EXPECT_EQ(List("BaudRateComboBox").itemText(5), "38400");
    EXPECT_EQ(List("ParityComboBox").itemText(2), "even");
    EXPECT_EQ(List("StopBitsComboBox").itemText(1), "2");
    EXPECT_EQ(List("DataBitsComboBox").geometry().topLeft(), QPoint(264, 56));
    EXPECT_EQ(List("ParityComboBox").geometry().topLeft(), QPoint(88, 88));
    EXPECT_FALSE(List("BaudRateComboBox").isEditable());

    const QLabel& label = *Form.findChild<QLabel*>("BaudRateLabel");
    EXPECT_EQ(label.text(), "Baud Rate");
    EXPECT_EQ(label.width(), 68);
    EXPECT_TRUE(label.alignment() & Qt::AlignRight);
    EXPECT_LE(label.geometry().right(), 88);
    for (const QLabel* each : Form.findChildren<QLabel*>()) {
        EXPECT_LE(each->fontMetrics().horizontalAdvance(each->text()), each->width())
            << "clipped: " << each->text().toStdString();
    }

    EXPECT_EQ(Button("OKBtn").geometry(), QRect(70, 128, 75, 25));
    EXPECT_EQ(Button("CancelBtn").geometry(), QRect(214, 128, 75, 25));
    EXPECT_TRUE(Button("OKBtn").isDefault());

    QStringList order;
    for (QWidget* w = List("ComPortComboBox").nextInFocusChain(); w != &List("ComPortComboBox");
         w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus) {
            order << w->objectName();
        }
    }
    EXPECT_EQ(order, (QStringList{"BaudRateComboBox", "ParityComboBox", "DataBitsComboBox",
                                  "StopBitsComboBox", "OKBtn", "CancelBtn"}));
}

TEST_F(SerialFormTest, WithoutAFileTheDefaultsShowAndTheFirstOkStoresThem) {
    Form.LoadPortSettings();
    EXPECT_EQ(Selected(), (QStringList{"1", "9600", "none", "8", "1"}));
    serial::PortMap().Assign(1, Pty.Path());

    Button("OKBtn").click();
    EXPECT_EQ(Form.result(), QDialog::Accepted);
    EXPECT_EQ(ReadFile(Path),
              "[ComPortSettings]\nComPort=0\nBaudRate=3\nParity=0\nDataBits=1\nStopBits=0\n");
    EXPECT_TRUE(Port.Open());
    EXPECT_NE(Session.Link().LineTriggerHandle(), 0);
}

TEST_F(SerialFormTest, OkStoresListPositionsAndAppliesTheValuesToTheOpenPort) {
    WriteSettings(DevicesFor(16));
    Form.LoadPortSettings();
    List("ComPortComboBox").setCurrentIndex(15);
    List("BaudRateComboBox").setCurrentIndex(5);
    List("ParityComboBox").setCurrentIndex(2);
    List("DataBitsComboBox").setCurrentIndex(0);
    List("StopBitsComboBox").setCurrentIndex(1);
    Button("OKBtn").click();

    const session::TPortSettingIndexes stored = session::LoadPortSettingIndexes(Path);
    EXPECT_EQ(stored.ComPort, 15);
    EXPECT_EQ(stored.BaudRate, 5);
    EXPECT_EQ(stored.Parity, 2);
    EXPECT_EQ(stored.DataBits, 0);
    EXPECT_EQ(stored.StopBits, 1);
    EXPECT_NE(ReadFile(Path).find("16=" + Pty.Path()), std::string::npos);

    EXPECT_EQ(Port.ComNumber(), 16);
    EXPECT_EQ(Port.Baud(), 38400);
    EXPECT_EQ(Port.Parity(), serial::pEven);
    EXPECT_EQ(Port.DataBits(), 7);
    EXPECT_EQ(Port.StopBits(), 2);
    ASSERT_TRUE(Port.Open());
    EXPECT_EQ(Pty.LineSettings().c_ospeed, 38400u) << "the line itself runs at the new speed";

    // OK again without a change: the same file, one more line trigger, the port as it was.
    const std::string before = ReadFile(Path);
    const std::uint16_t firstTrigger = Session.Link().LineTriggerHandle();
    Button("OKBtn").click();
    EXPECT_EQ(ReadFile(Path), before);
    EXPECT_NE(Session.Link().LineTriggerHandle(), firstTrigger);
    EXPECT_TRUE(Port.Open());
    EXPECT_EQ(Port.ComNumber(), 16);
}

TEST_F(SerialFormTest, CancelAndEscBringBackTheStoredSettingsAndLeaveThePortAlone) {
    WriteSettings("[ComPortSettings]\nComPort=2\nBaudRate=4\n");
    Form.LoadPortSettings();
    for (auto close :
         {+[](TSerialForm& form) { form.findChild<QPushButton*>("CancelBtn")->click(); },
          +[](TSerialForm& form) { form.reject(); }}) {
        List("ComPortComboBox").setCurrentIndex(15);
        List("BaudRateComboBox").setCurrentIndex(5);
        List("StopBitsComboBox").setCurrentIndex(-1);
        close(Form);
        EXPECT_EQ(Form.result(), QDialog::Rejected);
        EXPECT_EQ(Selected(), (QStringList{"3", "19200", "none", "8", "1"}));
    }
    EXPECT_EQ(Port.ComNumber(), 1);  // the built-in values
    EXPECT_EQ(Port.Baud(), 9600);
    EXPECT_FALSE(Port.Open());
    EXPECT_EQ(Session.Link().LineTriggerHandle(), 0);
    EXPECT_EQ(ReadFile(Path), "[ComPortSettings]\nComPort=2\nBaudRate=4\n");
}

TEST_F(SerialFormTest, AStoredIndexOutsideItsListStopsTheApplyBeforeTheLineTrigger) {
    WriteSettings("[ComPortSettings]\nComPort=3\nBaudRate=6\nDataBits=-1\n");
    Form.LoadPortSettings();
    EXPECT_EQ(List("BaudRateComboBox").currentIndex(), -1);
    EXPECT_EQ(List("BaudRateComboBox").currentText(), "");
    EXPECT_EQ(ApplyFailure(), "'' is not a valid integer value");
    EXPECT_EQ(Port.ComNumber(), 4) << "what came before the empty list was applied";
    EXPECT_EQ(Port.Baud(), 9600);
    EXPECT_FALSE(Port.Open());
    EXPECT_EQ(Session.Link().LineTriggerHandle(), 0);

    // Through OK the failure reaches the error report; the file keeps "no selection".
    QString text;
    test::AnswerMessageBox(nullptr, &text);
    Button("OKBtn").click();
    EXPECT_EQ(text.toStdString(),
              "'' is not a valid integer value.\nin " + Path + ": [ComPortSettings] BaudRate=-1");
    EXPECT_EQ(Form.result(), QDialog::Accepted);
    EXPECT_EQ(session::LoadPortSettingIndexes(Path).BaudRate, -1);
    EXPECT_FALSE(Port.Open());
}

TEST_F(SerialFormTest, AParityWithoutSelectionKeepsThePortsParity) {
    WriteSettings(DevicesFor(2) + "[ComPortSettings]\nComPort=1\nParity=3\n");
    Port.SetParity(serial::pOdd);
    Form.LoadPortSettings();
    EXPECT_EQ(List("ParityComboBox").currentIndex(), -1);
    Form.ApplyPortSettings();
    EXPECT_EQ(Port.Parity(), serial::pOdd);
    EXPECT_TRUE(Port.Open());
}

TEST_F(SerialFormTest, ASettingsFileThatCannotBeWrittenIsReportedAndNothingApplied) {
    const std::string unwritable = Dir / "missing/Norvane.ini";
    TSerialForm form(Session, QString::fromStdString(unwritable));
    form.LoadPortSettings();
    form.findChild<QComboBox*>("ComPortComboBox")->setCurrentIndex(4);

    QString title;
    QString text;
    test::AnswerMessageBox(&title, &text);
    form.findChild<QPushButton*>("OKBtn")->click();
    EXPECT_EQ(title, "Norvane");
    EXPECT_EQ(text, QString::fromStdString("Unable to write to " + unwritable + "."));
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(Port.ComNumber(), 1);
    EXPECT_FALSE(Port.Open());
    EXPECT_EQ(Session.Link().LineTriggerHandle(), 0);
    EXPECT_EQ(form.findChild<QComboBox*>("ComPortComboBox")->currentText(), "5")
        << "the user's choice stays until the next Cancel";
}

TEST_F(SerialFormTest, ValuesThatAreNotIntegersCountAsMissing) {
    WriteSettings(
        "[ComPortSettings]\nComPort=abc\nBaudRate=\nParity=1.5\nDataBits=8x\nStopBits=0x1\n");
    Form.LoadPortSettings();
    EXPECT_EQ(Selected(), (QStringList{"1", "9600", "none", "8", "1"}));
}

TEST_F(SerialFormTest, ThePortDevicesSectionSaysWhatAPortNumberMeans) {
    WriteSettings(DevicesFor(3) + "[ComPortSettings]\nComPort=2\n");
    serial::PortMap().Assign(5, "/dev/left-over");
    Form.LoadPortSettings();
    EXPECT_EQ(serial::PortMap().DevicePath(3), Pty.Path());
    EXPECT_NE(serial::PortMap().DevicePath(5), "/dev/left-over") << "only the file's assignments";

    // The user can see where port 3 goes, in the entry's hint and in the list's.
    QComboBox& ports = List("ComPortComboBox");
    EXPECT_EQ(ports.itemData(2, Qt::ToolTipRole).toString(), QString::fromStdString(Pty.Path()));
    EXPECT_EQ(ports.toolTip(), QString::fromStdString(Pty.Path()));
    ports.setCurrentIndex(3);
    EXPECT_EQ(ports.toolTip(), ports.itemData(3, Qt::ToolTipRole).toString());

    ports.setCurrentIndex(2);
    Button("OKBtn").click();
    EXPECT_TRUE(Port.Open());
    EXPECT_EQ(Port.ComNumber(), 3);

    // A file without the section withdraws the assignment.
    WriteSettings("[ComPortSettings]\nComPort=2\n");
    Form.LoadPortSettings();
    EXPECT_NE(serial::PortMap().DevicePath(3), Pty.Path());
}

// A terminal program that opened the line without locking it would take the replies: the
// port stays closed, and the report names the program as the command line does.
TEST_F(SerialFormTest, APortAnotherProgramHoldsStaysClosedAndTheReportNamesIt) {
    WriteSettings(DevicesFor(3) + "[ComPortSettings]\nComPort=2\n");
    Form.LoadPortSettings();
    const serial::testing::TOtherProcess terminal("terminal", Pty.Path(), {Pty.Fd()});
    EXPECT_EQ(ApplyFailure(), "Serial device " + Pty.Path() + " is in use by terminal (pid " +
                                  std::to_string(terminal.Pid()) + ")");
    EXPECT_FALSE(Port.Open());
}

// The desktop's detail line names no internal code and no program the user did not start.
TEST_F(SerialFormTest, APortNumberWithoutADeviceSaysWhichDevicesThereAre) {
    WriteSettings(DevicesFor(3) + "[ComPortSettings]\nComPort=15\n");  // port 16: nothing
    Form.LoadPortSettings();
    std::string detail = "applied";
    try {
        Form.ApplyPortSettings();
    } catch (const TDetailedFailure& failure) {
        detail = failure.Detail();
    }
    EXPECT_TRUE(detail.starts_with("Port 16 has no device on this machine. Serial devices found: "))
        << detail;
    EXPECT_NE(detail.find(std::filesystem::path(Pty.Path()).filename().string() + " (port 3)"),
              std::string::npos)
        << detail;
    EXPECT_FALSE(Port.Open());
}

// A server that takes the connection but never answers the negotiation: the box that
// appears during the wait cancels it, and the open fails at once, saying so.
TEST_F(SerialFormTest, CancelInTheServerWaitBoxEndsTheOpen) {
    const test::TLoopbackListener listener;  // the kernel accepts; nobody answers
    const std::string url = listener.Url("rfc2217");
    WriteSettings("[PortDevices]\n4=" + url + "\n[ComPortSettings]\nComPort=3\n");
    Form.LoadPortSettings();
    TServerWaitBox& box = InstallServerWaitBox();
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&box] {
        if (box.Box() != nullptr) {
            box.Box()->cancel();
        }
    });
    cancel.start(10);

    EXPECT_EQ(ApplyFailure(), "Cannot use " + url + ": cancelled while waiting for the server");
    EXPECT_FALSE(Port.Open());
    serial::SetWaitPump(nullptr);
}

// The pseudo-terminal stands in for a USB adapter behind a fake /dev with udev's links.
TEST_F(SerialFormTest, OkPinsThePortNumberToTheAdaptersStableNameUnlessTheFileAssignsIt) {
    std::filesystem::create_directories(Dir / "dev/serial/by-id");
    std::filesystem::create_symlink(Pty.Path(), Dir / "dev/ttyUSB0");
    std::filesystem::create_symlink("../../ttyUSB0", Dir / "dev/serial/by-id/usb-A");
    serial::TPortMap map(Dir / "dev", Dir / "tty", Dir / "consoles");
    Port.UsePortMap(map);
    const std::string byHand = Dir / "dev/ttyUSB0";
    const std::string byId = Dir / "dev/serial/by-id/usb-A";

    WriteSettings("[PortDevices]\n1=" + byHand + "\n");
    Form.LoadPortSettings();
    Button("OKBtn").click();
    EXPECT_NE(ReadFile(Path).find("1=" + byHand), std::string::npos) << "the user's entry stays";

    WriteSettings("[ComPortSettings]\nComPort=0\n");
    Form.LoadPortSettings();
    Button("OKBtn").click();
    EXPECT_NE(ReadFile(Path).find("[PortDevices]\n1=" + byId), std::string::npos);
    EXPECT_EQ(map.DevicePath(1), byId);
    EXPECT_TRUE(Port.Open());
    EXPECT_EQ(Port.BoundDevice(), byId);
    Port.SetOpen(false);
    Port.UsePortMap(serial::PortMap());
}

}  // namespace
}  // namespace norvane::ui
