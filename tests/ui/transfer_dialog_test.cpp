// The download and upload dialogs, driven like a user drives them, with the instrument
// simulator on a pseudo-terminal behind port 1.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "serial/errors/serial_layer.h"
#include "serial/ports/port_map.h"
#include "session/instrument_session.h"
#include "session/transfer_recording.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/modal_answer.h"
#include "tests/ui/real_keys.h"
#include "tests/ui/window_frame.h"
#include "ui/download_form.h"
#include "ui/upload_form.h"

namespace norvane::ui {
namespace {

using test::ReadFile;
using test::TSimProcess;
using test::TTempDir;
using test::WriteFile;
using Lines = std::vector<std::string>;

const std::string kTable = "1,TC-K,0,100\r\n5,PT100,-50,250\r\n1899,last cell\r\n";

// Opens the dialog modally, runs whileOpen from its event loop and returns the result the
// dialog closed with. whileOpen has to close it.
int OpenAndRun(TTransferForm& form, std::function<void()> whileOpen) {
    QTimer::singleShot(0, &form, std::move(whileOpen));
    return form.Open();
}

// Clicks FileBtn, types `typed` into the chooser's name field and confirms it; reports the
// directory the chooser showed when it opened.
void ChooseFile(TTransferForm& form, const QString& typed, QString* shownDirectory = nullptr) {
    test::AnswerModalOf<QFileDialog>([typed, shownDirectory](QFileDialog* chooser) {
        if (shownDirectory != nullptr) {
            *shownDirectory = chooser->directory().absolutePath();
        }
        auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(typed);
        static_cast<QDialog*>(chooser)->accept();  // QFileDialog hides it
    });
    form.FileBtn->click();
}

// What an answered message box showed.
struct TBoxSeen {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

void AnswerBox(TBoxSeen& seen) {
    test::AnswerModalOf<QMessageBox>([&seen](QMessageBox* box) {
        seen = {box->windowTitle(), box->text(), box->icon()};
        box->button(QMessageBox::Ok)->click();
    });
}

// Runs `action` once, when the progress bar first reaches `position`.
void AtProgress(TTransferForm& form, int position, std::function<void()> action) {
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(form.ProgressBar, &QProgressBar::valueChanged, [=](int value) {
        if (value == position) {
            QObject::disconnect(*connection);
            action();
        }
    });
}

// The control that has the keyboard focus once the user has the dialog in front.
QWidget* FocusedControl(QWidget& dialog) {
    dialog.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    return QApplication::focusWidget();
}

void PressEscape(QWidget& widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
}

// Which of the dialog's controls accept input, in a fixed order.
std::vector<bool> EnabledControls(const TTransferForm& form) {
    return {form.FileLabel->isEnabled(),   form.FilePanel->isEnabled(), form.FileName->isEnabled(),
            form.OKBtn->isEnabled(),       form.CancelBtn->isEnabled(), form.FileBtn->isEnabled(),
            form.ProgressBar->isEnabled(), form.AbortBtn->isEnabled()};
}
const std::vector<bool> kIdleControls{true, true, true, true, true, true, false, false};
const std::vector<bool> kTransferControls{false, false, false, false, false, false, true, true};

class TransferDialogTest : public ::testing::Test {
  protected:
    TransferDialogTest() { WriteFile(Dir / "table.nvf", kTable); }
    ~TransferDialogTest() override { serial::PortMap().ClearAssignments(); }

    // Starts the simulator, makes port 1 its line and adds the line trigger, as the main
    // window's start-up does.
    void Connect(const Lines& faults = {}) {
        Lines args{"--cells", Dir / "table.nvf", "--journal", Dir / "journal"};
        args.insert(args.end(), faults.begin(), faults.end());
        Sim.emplace(args);
        serial::PortMap().Assign(1, Sim->LinePath());
        Session.Link().AddLineTrigger();
    }

    // The commands the simulator received, one a line.
    Lines Journal() {
        Lines commands;
        std::istringstream journal(ReadFile(Dir / "journal"));
        for (std::string command; std::getline(journal, command);) {
            commands.push_back(command);
        }
        return commands;
    }

    serial::TSerialLayerScope SerialLayer;
    TTempDir Dir;
    std::optional<TSimProcess> Sim;
    session::TInstrumentSession Session;
    Lines Log;
    TDownLoadForm Down{Session, [this](const std::string& line) { Log.push_back(line); }};
    TUpLoadForm Up{Session, [this](const std::string& line) { Log.push_back(line); }};
};

TEST_F(TransferDialogTest, DownloadGrowsTheDialogLocksAllButAbortAndWritesTheCellFile) {
    Connect();
    const std::string target = Dir / "copy.nvf";
    int idleHeight = 0;
    std::vector<bool> idleControls;
    int transferHeight = 0;
    int maximum = 0;
    std::vector<bool> transferControls;
    bool visibleAfterEscAndClose = false;
    AtProgress(Down, 1, [&] {
        transferHeight = Down.height();
        maximum = Down.ProgressBar->maximum();
        transferControls = EnabledControls(Down);
        PressEscape(Down);
        Down.close();
        visibleAfterEscAndClose = Down.isVisible();
    });

    const int result = OpenAndRun(Down, [&] {
        idleHeight = Down.height();
        idleControls = EnabledControls(Down);
        ChooseFile(Down, QString::fromStdString(Dir / "copy"));  // the chooser adds ".nvf"
        EXPECT_EQ(Down.FileName->text().toStdString(), target);
        Down.OKBtn->click();
    });

    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(idleHeight, 101);
    EXPECT_EQ(idleControls, kIdleControls);
    EXPECT_EQ(transferHeight, 206);
    EXPECT_EQ(maximum, 1899);
    EXPECT_EQ(transferControls, kTransferControls);
    EXPECT_TRUE(visibleAfterEscAndClose);
    EXPECT_EQ(Down.ProgressBar->value(), 1899);
    EXPECT_EQ(Log, Lines{"Download to " + target + " complete."});
    EXPECT_EQ(ReadFile(target), kTable);
    EXPECT_EQ(Down.FileName->text(), "*.nvf");
}

// The window manager frames a dialog only after Qt has sized it, and every opening after
// the first already knows the frame: a size derived from the frame changed from one opening
// to the next and showed part of the progress area in the idle state.
TEST_F(TransferDialogTest, EveryOpeningShowsTheSameClientAreaInEachState) {
    for (TTransferForm* form :
         {static_cast<TTransferForm*>(&Down), static_cast<TTransferForm*>(&Up)}) {
        for (int opening = 1; opening <= 3; ++opening) {
            SCOPED_TRACE(form->windowTitle().toStdString() + ", opening " +
                         std::to_string(opening));
            bool framed = false;
            QSize idle;
            QSize transfer;
            OpenAndRun(*form, [&] {
                framed = test::WaitUntilFramed(*form);
                idle = form->size();
                form->SetTransferState(true, 10);
                (void)QTest::qWaitFor([&] { return form->height() == 206; }, 2000);
                transfer = form->size();
                form->done(QDialog::Accepted);
            });
            EXPECT_TRUE(framed);
            EXPECT_EQ(idle, QSize(391, 101));
            // Nothing of the separator line or below it shows.
            EXPECT_LE(idle.height(), form->Bevel1->y());
            EXPECT_EQ(transfer, QSize(391, 206));
            EXPECT_LE(form->AbortBtn->geometry().bottom(), transfer.height());
        }
    }
}

TEST_F(TransferDialogTest, OkWithoutAChosenFileAsksForOneAndStaysOpen) {
    TBoxSeen box;
    bool stayedOpen = false;
    const int result = OpenAndRun(Down, [&] {
        AnswerBox(box);
        Down.OKBtn->click();
        stayedOpen = Down.isVisible();
        Down.CancelBtn->click();
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(box.Title, "Error");
    EXPECT_EQ(box.Text, "Enter a valid filename.");
    EXPECT_EQ(box.Icon, QMessageBox::Critical);
    EXPECT_TRUE(Log.empty());
    EXPECT_FALSE(std::filesystem::exists("*.nvf"));
}

TEST_F(TransferDialogTest, AbortEndsTheDownloadClosesTheDialogAndKeepsTheOldFile) {
    Connect({"--think-ms", "1"});
    const std::string target = Dir / "copy.nvf";
    // Abort is clicked, or Enter pressed on the focused control, while the next cell's
    // reply is awaited, as a user would.
    for (const bool byEnter : {false, true}) {
        SCOPED_TRACE(byEnter ? "Enter" : "click");
        WriteFile(target, "last month\r\n");
        Log.clear();
        const std::size_t sentBefore = Journal().size();
        AtProgress(Down, 100, [&] {
            QTimer::singleShot(0, [&] {
                if (!byEnter) {
                    Down.AbortBtn->click();
                } else {
                    QWidget* focused = FocusedControl(Down);
                    EXPECT_EQ(focused, Down.AbortBtn);
                    QTest::keyClick(focused != nullptr ? focused : &Down, Qt::Key_Return);
                }
            });
        });

        const int result = OpenAndRun(Down, [&] {
            ChooseFile(Down, QString::fromStdString(target));
            Down.OKBtn->click();
        });

        EXPECT_EQ(result, TTransferForm::kAbortResult);
        EXPECT_EQ(Log, Lines{"Download aborted by user."});
        EXPECT_EQ(ReadFile(target), "last month\r\n");
        EXPECT_EQ(Dir.Entries(), (Lines{"copy.nvf", "journal", "table.nvf"}));
        EXPECT_LT(Journal().size() - sentBefore, 110u);
        EXPECT_EQ(Down.FileName->text(), "*.nvf");
    }
}

// Space opens the chooser and Enter means OK on every opening, however the last one ended.
TEST_F(TransferDialogTest, EveryOpeningStartsOnTheFileButton) {
    Connect();
    QWidget* focused[3] = {};
    for (TTransferForm* form :
         {static_cast<TTransferForm*>(&Down), static_cast<TTransferForm*>(&Up)}) {
        SCOPED_TRACE(form->objectName().toStdString());
        const std::string file = Dir / "copy.nvf";
        WriteFile(file, kTable);
        OpenAndRun(*form, [&] {  // first opening, cancelled
            focused[0] = FocusedControl(*form);
            form->reject();
        });
        OpenAndRun(*form, [&] {  // after a cancel; the transfer completes
            focused[1] = FocusedControl(*form);
            ChooseFile(*form, QString::fromStdString(file));
            form->OKBtn->click();
        });
        OpenAndRun(*form, [&] {  // after a completed transfer
            focused[2] = FocusedControl(*form);
            form->reject();
        });
        for (QWidget* widget : focused) {
            EXPECT_EQ(widget, form->FileBtn);
        }
    }
}

// An adapter pulled out mid-download: the log says which device went, not only that the
// instrument stopped answering.
TEST_F(TransferDialogTest, ADeviceGoneMidDownloadIsNamedInTheLog) {
    Connect({"--think-ms", "1"});
    AtProgress(Down, 50, [&] { Sim.reset(); });
    const int result = OpenAndRun(Down, [&] {
        ChooseFile(Down, QString::fromStdString(Dir / "copy.nvf"));
        Down.OKBtn->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    ASSERT_EQ(Log.size(), 2u) << ::testing::PrintToString(Log);
    EXPECT_EQ(Log[0], "Download failed - no connection!");
    EXPECT_TRUE(Log[1].starts_with("/dev/pts/") && Log[1].ends_with(" was disconnected."))
        << Log[1];
    EXPECT_FALSE(std::filesystem::exists(Dir / "copy.nvf"));
}

TEST_F(TransferDialogTest, AProbeWithoutAnswerNeverGrowsTheDialogAndClosesIt) {
    Connect({"--silent-cells", "1"});
    const std::string target = Dir / "copy.nvf";
    const int result = OpenAndRun(Down, [&] {
        ChooseFile(Down, QString::fromStdString(target));
        Down.OKBtn->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(Log, Lines{"Download failed - no connection!"});
    // Nothing switches the transfer state off again, so a dialog that had grown would
    // still be large.
    EXPECT_EQ(Down.height(), 101);
    EXPECT_EQ(EnabledControls(Down), kIdleControls);
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(Journal(), (Lines{"", "?B1/1"}));
}

TEST_F(TransferDialogTest, AFileFailureAfterTheProbeLeavesOnlyAbortToCloseTheDialog) {
    Connect();
    std::filesystem::create_directory(Dir / "out");
    const std::string target = Dir / "out/copy.nvf";
    TBoxSeen box;
    AtProgress(Down, 1, [&] {
        AnswerBox(box);
        std::filesystem::remove_all(Dir / "out");  // cell 5's line cannot be written
    });
    bool stayedOpen = false;
    int heightAfterFailure = 0;
    std::vector<bool> controlsAfterFailure;
    bool openAfterEsc = false;

    const int result = OpenAndRun(Down, [&] {
        ChooseFile(Down, QString::fromStdString(target));
        Down.OKBtn->click();
        stayedOpen = Down.isVisible();
        heightAfterFailure = Down.height();
        controlsAfterFailure = EnabledControls(Down);
        PressEscape(Down);
        openAfterEsc = Down.isVisible();
        Down.AbortBtn->click();
    });

    EXPECT_EQ(box.Text, "Enter a valid filename.");
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(heightAfterFailure, 206);
    EXPECT_EQ(controlsAfterFailure, kTransferControls);
    EXPECT_TRUE(openAfterEsc);
    EXPECT_EQ(result, TTransferForm::kAbortResult);
    ASSERT_EQ(Log.size(), 1u);
    EXPECT_EQ(Log[0].rfind("Download to " + target + " failed - ", 0), 0u) << Log[0];
}

TEST_F(TransferDialogTest, AfterAnUnsuccessfulProbeASecondStartIsRefusedAndCancelAborts) {
    Connect({"--error-cells", "1", "@ERROR bad value"});
    const std::string target = Dir / "copy.nvf";
    WriteFile(target, "last month\r\n");
    std::vector<bool> controlsWhileRunning;
    AtProgress(Down, 10, [&] {
        controlsWhileRunning = EnabledControls(Down);
        QTimer::singleShot(0, Down.OKBtn, &QPushButton::click);
    });
    AtProgress(Down, 20, [&] { QTimer::singleShot(0, &Down, [this] { PressEscape(Down); }); });

    const int result = OpenAndRun(Down, [&] {
        ChooseFile(Down, QString::fromStdString(target));
        Down.OKBtn->click();
    });

    EXPECT_EQ(controlsWhileRunning, kIdleControls);
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(Log, (Lines{"Download error - bad value... ERROR bad value",
                          "Download error - bad value... ERROR bad value",
                          "A transfer is already running; wait for it to end or abort it.",
                          "Download aborted by user."}));
    EXPECT_EQ(ReadFile(target), "last month\r\n");
}

// With a recording asked for in the settings file, as a field engineer would.
TEST_F(TransferDialogTest, UploadOfAFiveLineFileRunsFiveSteps) {
    WriteFile(Dir / "Norvane.ini", "[Diagnostics]\nTrace=line.trc\nLog=line.log\n");
    Session.Recording().SetRequest(session::LoadRecordingRequest(Dir / "Norvane.ini"));
    Connect();
    const std::string source = Dir / "five.nvf";
    WriteFile(source, "2,a\r\n3,b\r\n4,c\r\n6,d\r\n7,e\r\n");
    int maximum = 0;
    int height = 0;
    std::vector<bool> controls;
    AtProgress(Up, 1, [&] {
        maximum = Up.ProgressBar->maximum();
        height = Up.height();
        controls = EnabledControls(Up);
    });

    const int result = OpenAndRun(Up, [&] {
        ChooseFile(Up, QString::fromStdString(source));
        Up.OKBtn->click();
    });

    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(maximum, 5);
    EXPECT_EQ(height, 206);
    EXPECT_EQ(controls, kTransferControls);
    EXPECT_EQ(Up.ProgressBar->value(), 5);
    EXPECT_EQ(Log, Lines{"Upload of " + source + " complete."});
    EXPECT_EQ(Journal(), (Lines{"", "?B1/1", "=2,a", "=3,b", "=4,c", "=6,d", "=7,e"}));
    const std::string trace = ReadFile(Dir / "line.trc");
    EXPECT_TRUE(trace.starts_with("Transmit: [0D][0A]\r\n")) << trace.substr(0, 100);
    EXPECT_NE(trace.find("Transmit: =7,e[0D][0A]"), std::string::npos) << "the last store";
    EXPECT_TRUE(ReadFile(Dir / "line.log").starts_with("VEXA v3.03\r\n"));
}

TEST_F(TransferDialogTest, UploadAsksForAFileAndReportsATypedNameThatDoesNotExist) {
    TBoxSeen box;
    bool stayedOpen = false;
    const int withoutFile = OpenAndRun(Up, [&] {
        AnswerBox(box);
        Up.OKBtn->click();
        stayedOpen = Up.isVisible();
        PressEscape(Up);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(withoutFile, QDialog::Rejected);
    EXPECT_EQ(box.Title, "Error");
    EXPECT_EQ(box.Text, "Select file to load.");
    EXPECT_EQ(box.Icon, QMessageBox::Critical);

    const std::string missing = Dir / "missing.nvf";
    const int typedMissing = OpenAndRun(Up, [&] {
        ChooseFile(Up, QString::fromStdString(missing));
        Up.OKBtn->click();
    });
    EXPECT_EQ(typedMissing, QDialog::Accepted);
    EXPECT_EQ(Log, Lines{"Upload failed - " + missing + " does not exist!"});
}

TEST_F(TransferDialogTest, CancelForgetsTheChosenFile) {
    const std::string chosen = Dir / "table.nvf";
    QString shownWhileOpen;
    const int first = OpenAndRun(Down, [&] {
        ChooseFile(Down, QString::fromStdString(chosen));
        shownWhileOpen = Down.FileName->text();
        Down.CancelBtn->click();
    });
    QString shownAtNextOpening;
    const int second = OpenAndRun(Down, [&] {
        shownAtNextOpening = Down.FileName->text();
        Down.reject();
    });
    EXPECT_EQ(first, QDialog::Rejected);
    EXPECT_EQ(second, QDialog::Rejected);
    EXPECT_EQ(shownWhileOpen.toStdString(), chosen);
    EXPECT_EQ(shownAtNextOpening, "*.nvf");
    EXPECT_EQ(ReadFile(chosen), kTable);
}

TEST_F(TransferDialogTest, TheDownloadChooserStartsInTheInitialDirectoryOnlyUntilAChoice) {
    const std::unique_ptr<QFileDialog> chooser = Down.NewFileChooser();
    EXPECT_EQ(chooser->objectName(), "DownDialog");
    EXPECT_EQ(chooser->windowTitle(), "Save As");
    EXPECT_EQ(chooser->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(chooser->nameFilters(), QStringList{"Norvane Files (*.nvf)"});
    EXPECT_EQ(chooser->defaultSuffix(), "nvf");
    EXPECT_TRUE(chooser->testOption(QFileDialog::DontConfirmOverwrite));

    std::filesystem::create_directory(Dir / "start");
    std::filesystem::create_directory(Dir / "elsewhere");
    Down.SetInitialDirectory(QString::fromStdString(Dir / "start"));
    QString firstShown;
    ChooseFile(Down, QString::fromStdString(Dir / "elsewhere/cells"), &firstShown);
    QString secondShown;
    ChooseFile(Down, "again", &secondShown);

    EXPECT_EQ(firstShown.toStdString(), Dir / "start");
    EXPECT_EQ(secondShown.toStdString(), Dir / "elsewhere");
    EXPECT_EQ(Down.FileName->text().toStdString(), Dir / "elsewhere/again.nvf");
}

// The data directory is nobody's to create; without it the chooser used to open in the
// program's working directory.
TEST_F(TransferDialogTest, TheUploadChooserStartsInTheDataDirectoryOrElseAtHome) {
    const std::unique_ptr<QFileDialog> chooser = Up.NewFileChooser();
    EXPECT_EQ(chooser->objectName(), "UpDialog");
    EXPECT_EQ(chooser->windowTitle(), "Select File To Load");
    EXPECT_EQ(chooser->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(chooser->nameFilters(), QStringList{"Norvane files (*.nvf)"});

    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(Dir.Path().string()));
    for (const bool dataDirectoryExists : {false, true}) {
        if (dataDirectoryExists) {
            std::filesystem::create_directory(Dir / "Norvane");
        }
        const std::string expected = dataDirectoryExists ? Dir / "Norvane" : Dir.Path().string();
        TUpLoadForm upload(Session, {});
        QString shown;
        ChooseFile(upload, "cells", &shown);
        EXPECT_EQ(shown.toStdString(), expected);
        EXPECT_EQ(upload.FileName->text().toStdString(), expected + "/cells");
    }
    qputenv("HOME", home);
}

// The display is 221 pixels wide: a long path showed only its first folders, never the
// file that would be written.
TEST_F(TransferDialogTest, ALongPathShowsItsFileNameWhileTheTransferGetsThePath) {
    const std::string folder = Dir / "instrument-backups/site-north/cabinet-07/2024";
    std::filesystem::create_directories(folder);
    const std::string target = folder + "/tuesday-cells.nvf";
    ChooseFile(Down, QString::fromStdString(target));

    const TFileDisplay& display = *Down.FileName;
    EXPECT_EQ(Down.FileDisplayPath(), target);
    const QString shown = display.DisplayedText();
    EXPECT_NE(shown.toStdString(), target);
    EXPECT_TRUE(shown.endsWith("tuesday-cells.nvf")) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QString::fromStdString(target.substr(0, 5))));
    EXPECT_LE(display.fontMetrics().horizontalAdvance(shown), display.contentsRect().width());
    EXPECT_EQ(display.ToolTipText().toStdString(), "Specified file to receive download\n" + target);

    Down.done(QDialog::Rejected);
    EXPECT_EQ(display.DisplayedText(), "*.nvf");
    EXPECT_EQ(display.ToolTipText(), "Specified file to receive download");
}

// ---- by keys through the X server (window-manager run only) --------------------------

using test::PressKey;
using test::TKeyScript;
using test::TypeText;

class TransferDialogByKeys : public TransferDialogTest {
  protected:
    // True once `window` is the active window and `control` has the focus: where the next
    // key typed goes.
    static bool KeysGoTo(QWidget* window, QWidget* control) {
        return window != nullptr && window->isActiveWindow() &&
               QApplication::focusWidget() == control;
    }

    static QFileDialog* OpenChooser() {
        return qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    }

    static QLineEdit* ChooserNameField() {
        QFileDialog* chooser = OpenChooser();
        return chooser == nullptr ? nullptr
                                  : chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    }
};

// Typing a name in the chooser brings up its completion list; the chooser closed with
// Enter used to leave that list on screen, holding the keyboard, so the next Enter
// started nothing.
TEST_F(TransferDialogByKeys, AfterTheChooserClosesOnEnterTheNextEnterStartsTheUpload) {
    Connect();
    Up.SetInitialDirectory(QString::fromStdString(Dir.Path().string()));
    for (int opening = 1; opening <= 2; ++opening) {
        SCOPED_TRACE("opening " + std::to_string(opening));
        Log.clear();
        TKeyScript script({
            {"the upload dialog in front, its file button focused",
             [&] { return KeysGoTo(&Up, Up.FileBtn); }, [] { PressKey("space"); }},
            {"the chooser's name field focused",
             [&] {
                 QLineEdit* name = ChooserNameField();
                 return name != nullptr && KeysGoTo(OpenChooser(), name);
             },
             [] { TypeText("table.nvf"); }},
            {"the completion list showing table.nvf",
             [&] {
                 QLineEdit* name = ChooserNameField();
                 return name != nullptr && name->completer() != nullptr &&
                        name->completer()->popup()->isVisible();
             },
             [] { PressKey("Return"); }},
            {"the chooser closed, the upload dialog in front again",
             [&] { return OpenChooser() == nullptr && Up.isActiveWindow(); },
             [] { PressKey("Return"); }},
        });
        script.Start();
        const int result = Up.Open();
        EXPECT_EQ(script.StuckAt(), "");
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_EQ(Log, Lines{"Upload of " + Dir / "table.nvf" + " complete."});
    }
}

TEST_F(TransferDialogByKeys, EnterDuringADownloadAborts) {
    Connect({"--think-ms", "20"});
    ChooseFile(Down, QString::fromStdString(Dir / "copy"));
    TKeyScript script({
        {"the download dialog in front", [&] { return KeysGoTo(&Down, Down.FileBtn); },
         [] { PressKey("Return"); }},
        {"the transfer running, Abort focused",
         [&] { return Down.ProgressBar->value() > 0 && KeysGoTo(&Down, Down.AbortBtn); },
         [] { PressKey("Return"); }},
    });
    script.Start();
    const int result = Down.Open();
    EXPECT_EQ(script.StuckAt(), "");
    EXPECT_EQ(result, TTransferForm::kAbortResult);
    EXPECT_LT(Down.ProgressBar->value(), 1899);
    EXPECT_FALSE(std::filesystem::exists(Dir / "copy.nvf"));
}

}  // namespace
}  // namespace norvane::ui
