// The whole program without its event loop: the windows it creates, the start-up steps on
// a simulated instrument, what the main window's commands open, a download through the
// main window, and the exit.

#include "app/norvane_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "app/main_form.h"
#include "serial/ports/port_map.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/modal_answer.h"
#include "ui/about_form.h"
#include "ui/download_form.h"
#include "ui/easter_egg_form.h"
#include "ui/key_sequence.h"
#include "ui/serial_form.h"
#include "ui/upload_form.h"

namespace norvane::app {
namespace {

// The next modal dialog of class T (the transfer dialogs carry no Qt meta-object, so this
// goes by the C++ type).
template <class T>
void AnswerDialogOf(std::function<void(T*)> answer) {
    test::AnswerModal(
        [](QWidget* widget) { return dynamic_cast<T*>(widget) != nullptr; },
        [answer = std::move(answer)](QWidget* widget) { answer(dynamic_cast<T*>(widget)); });
}

class NorvaneApplicationTest : public ::testing::Test {
  protected:
    NorvaneApplicationTest() {
        test::WriteFile(Dir / "table.nvf", "1,TC-K,-200,1370,degC\r\n7,VOLT,0,10,V\r\n");
    }
    ~NorvaneApplicationTest() override {
        serial::PortMap().ClearAssignments();
        qputenv("HOME", Home);
    }

    // A simulated instrument, and a settings file that holds no port settings but makes
    // port 1 mean the instrument's line (loading the settings makes the file's device
    // assignments the only ones).
    std::unique_ptr<test::TSimProcess> StartInstrument() {
        auto sim = std::make_unique<test::TSimProcess>(
            std::vector<std::string>{"--cells", Dir / "table.nvf"});
        test::WriteFile(SettingsPath(), "[PortDevices]\n1=" + sim->LinePath() + "\n");
        return sim;
    }
    std::string SettingsPath() const { return Dir / "Norvane.ini"; }
    // For tests that do not want the start-up steps: the real timer would otherwise fire
    // in the first modal loop that runs longer than a second.
    static void HoldStartup(TNorvaneApplication& app) { app.MainForm().StartupTimer().stop(); }
    static QString LogText(TNorvaneApplication& app) {
        return app.MainForm().MessageWindow().toPlainText();
    }
    // Where the download dialog's file chooser opens: the dialog is opened from the main
    // window, its file button pressed, the chooser's directory noted, both closed again.
    static QString DownloadChooserDirectory(TNorvaneApplication& app) {
        QString directory;
        AnswerDialogOf<ui::TDownLoadForm>([&directory](ui::TDownLoadForm* dialog) {
            test::AnswerModalOf<QFileDialog>([&directory, dialog](QFileDialog* chooser) {
                directory = chooser->directory().absolutePath();
                chooser->reject();
                QTimer::singleShot(0, dialog, &QDialog::reject);
            });
            QTimer::singleShot(0, dialog->FileBtn, &QToolButton::click);
        });
        app.MainForm().CommandButton(TMainCommand::Download)->click();
        return directory;
    }
    // The data directory ~/Norvane, in a home of the test's own.
    QString DataDirectory() {
        qputenv("HOME", QByteArray::fromStdString(Dir.Path().string()));
        std::filesystem::create_directory(Dir / "Norvane");
        return QString::fromStdString(Dir / "Norvane");
    }

    const QByteArray Home = qgetenv("HOME");
    test::TTempDir Dir;
};

TEST_F(NorvaneApplicationTest, ShowsOnlyTheMainWindowAndNamesTheProgram) {
    TNorvaneApplication app(SettingsPath());
    EXPECT_EQ(QCoreApplication::applicationName(), "Norvane");
    EXPECT_TRUE(app.MainForm().isVisible());
    EXPECT_EQ(app.MainForm().windowTitle(), "Norvane");
    const QWidget* dialogs[] = {&app.AboutForm(), &app.DownLoadForm(), &app.SerialForm(),
                                &app.EasterEggForm(), &app.UpLoadForm()};
    for (const QWidget* dialog : dialogs) {
        SCOPED_TRACE(dialog->metaObject()->className());
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(dialog->isWindow());
    }
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_TRUE(LogText(app).isEmpty());
    EXPECT_TRUE(app.MainForm().StartupTimer().isActive());
    EXPECT_FALSE(app.Session().ComPort().Open()) << "the port waits for the start-up timer";
}

TEST_F(NorvaneApplicationTest, StartUpWithoutPortSettingsOpensPortOneWithTheDefaults) {
    const auto sim = StartInstrument();
    const QString dataDirectory = DataDirectory();
    TNorvaneApplication app(SettingsPath());
    app.MainForm().StartupTimerTimer();
    serial::TVexaComPort& port = app.Session().ComPort();
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(port.ComNumber(), 1);
    EXPECT_EQ(port.Baud(), 9600);
    EXPECT_EQ(port.DataBits(), 8);
    EXPECT_EQ(port.StopBits(), 1);
    EXPECT_EQ(DownloadChooserDirectory(app), dataDirectory);
    EXPECT_FALSE(app.MainForm().StartupTimer().isActive());
    EXPECT_TRUE(LogText(app).isEmpty());
    EXPECT_EQ(test::ReadFile(SettingsPath()), "[PortDevices]\n1=" + sim->LinePath() + "\n")
        << "start-up only reads the file";
}

TEST_F(NorvaneApplicationTest, APortThatCannotOpenIsReportedAndTheRestOfStartUpSkipped) {
    test::WriteFile(SettingsPath(),  // port 3, a device that is not there
                    "[ComPortSettings]\nComPort=2\n[PortDevices]\n3=" + (Dir / "no-tty") + "\n");
    const QString dataDirectory = DataDirectory();
    TNorvaneApplication app(SettingsPath());
    QString title;
    QString text;
    test::AnswerMessageBox(&title, &text);
    app.MainForm().StartupTimerTimer();
    EXPECT_EQ(title, "Norvane");
    // The serial layer's text, then the device the port number stood for.
    const QStringList lines = text.split(u'\n');
    ASSERT_EQ(lines.size(), 2) << text.toStdString();
    EXPECT_TRUE(lines[0].startsWith("ie_BadId - ")) << text.toStdString();
    EXPECT_TRUE(lines[0].endsWith(".")) << text.toStdString();
    EXPECT_EQ(lines[1].toStdString(), "port 3: " + (Dir / "no-tty") + " does not exist");
    EXPECT_FALSE(app.Session().ComPort().Open());
    EXPECT_NE(DownloadChooserDirectory(app), dataDirectory);
    EXPECT_TRUE(app.MainForm().isVisible()) << "the program goes on";
    EXPECT_TRUE(LogText(app).isEmpty());
}

TEST_F(NorvaneApplicationTest, EachCommandOpensItsDialog) {
    TNorvaneApplication app(SettingsPath());
    HoldStartup(app);
    TMainForm& main = app.MainForm();
    const auto opens = [](auto* dialogType, const std::function<void()>& command) {
        using TDialog = std::remove_pointer_t<decltype(dialogType)>;
        bool opened = false;
        AnswerDialogOf<TDialog>([&opened](TDialog* dialog) {
            opened = true;
            dialog->reject();
        });
        command();
        return opened;
    };
    EXPECT_TRUE(opens(static_cast<ui::TDownLoadForm*>(nullptr),
                      [&] { main.CommandButton(TMainCommand::Download)->click(); }));
    EXPECT_TRUE(opens(static_cast<ui::TDownLoadForm*>(nullptr),
                      [&] { main.Command(TMainCommand::Download).trigger(); }));
    EXPECT_TRUE(opens(static_cast<ui::TUpLoadForm*>(nullptr),
                      [&] { main.CommandButton(TMainCommand::Upload)->click(); }));
    EXPECT_TRUE(opens(static_cast<ui::TUpLoadForm*>(nullptr),
                      [&] { main.Command(TMainCommand::Upload).trigger(); }));
    EXPECT_TRUE(opens(static_cast<ui::TSerialForm*>(nullptr),
                      [&] { main.CommandButton(TMainCommand::PortSettings)->click(); }));
    EXPECT_TRUE(opens(static_cast<ui::TSerialForm*>(nullptr),
                      [&] { main.Command(TMainCommand::PortSettings).trigger(); }));
    EXPECT_TRUE(opens(static_cast<ui::TAboutForm*>(nullptr),
                      [&] { main.Command(TMainCommand::About).trigger(); }));
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(std::filesystem::exists(SettingsPath())) << "Cancel saves nothing";
}

TEST_F(NorvaneApplicationTest, TheAboutBoxsKeySequenceOpensTheHiddenPicture) {
    TNorvaneApplication app(SettingsPath());
    HoldStartup(app);
    bool pictureShown = false;
    AnswerDialogOf<ui::TAboutForm>([&pictureShown](ui::TAboutForm* about) {
        AnswerDialogOf<ui::TEasterEggForm>([&pictureShown](ui::TEasterEggForm* picture) {
            pictureShown = true;
            picture->reject();
        });
        for (const int key : {ui::kKeyAlt, ui::kKeyV, ui::kKeyU, ui::kKeyT, ui::kKeyA, ui::kKeyX}) {
            about->FormKeyDown(key);
        }
        about->reject();
    });
    app.MainForm().Command(TMainCommand::About).trigger();
    EXPECT_TRUE(pictureShown);
}

TEST_F(NorvaneApplicationTest, TheDownloadButtonDownloadsIntoTheChosenFileAndLogsIt) {
    const auto sim = StartInstrument();
    TNorvaneApplication app(SettingsPath());
    app.MainForm().StartupTimerTimer();
    ASSERT_TRUE(app.Session().ComPort().Open());
    const std::string target = Dir / "copy.nvf";
    AnswerDialogOf<ui::TDownLoadForm>([&target](ui::TDownLoadForm* dialog) {
        dialog->FileName->setText(QString::fromStdString(target));
        QTimer::singleShot(0, dialog->OKBtn, &QPushButton::click);
    });
    app.MainForm().CommandButton(TMainCommand::Download)->click();
    EXPECT_EQ(test::ReadFile(target), test::ReadFile(Dir / "table.nvf"));
    EXPECT_EQ(LogText(app), QString::fromStdString("Download to " + target + " complete."));
}

TEST_F(NorvaneApplicationTest, ExitClosesTheMainWindowAndWritesNothing) {
    std::string settings;
    {
        const auto sim = StartInstrument();
        settings = test::ReadFile(SettingsPath());
        TNorvaneApplication app(SettingsPath());
        app.MainForm().StartupTimerTimer();
        ASSERT_TRUE(app.Session().ComPort().Open());
        app.MainForm().CommandButton(TMainCommand::Exit)->click();
        EXPECT_FALSE(app.MainForm().isVisible());
    }
    EXPECT_EQ(Dir.Entries(), (std::vector<std::string>{"Norvane.ini", "table.nvf"}));
    EXPECT_EQ(test::ReadFile(SettingsPath()), settings) << "nothing is saved at exit";
}

}  // namespace
}  // namespace norvane::app
