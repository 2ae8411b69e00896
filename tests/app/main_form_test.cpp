// The main window on its own: its layout, its message log, and which action each command
// runs.

#include "app/main_form.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <stdexcept>

#include "tests/ui/modal_answer.h"

namespace norvane::app {
namespace {

struct ExpectedButton {
    const char* Name;
    int Left;
    const char* Hint;
};

TEST(MainFormLayout, ClientAreaIsTheCentralWidgetBelowTheMenu) {
    TMainForm form;
    form.show();
    EXPECT_EQ(form.windowTitle(), "Norvane");
    EXPECT_EQ(form.centralWidget()->size(), QSize(552, 374));
    EXPECT_GE(form.centralWidget()->y(), form.menuBar()->height()) << "the menu lies outside";
    EXPECT_EQ(form.font().family(), "Arial");
    EXPECT_EQ(form.font().pixelSize(), 13);

    const auto* bevel = form.findChild<QFrame*>("Bevel1");
    ASSERT_NE(bevel, nullptr);
    EXPECT_EQ(bevel->parentWidget(), form.centralWidget());
    EXPECT_EQ(bevel->geometry(), QRect(0, 0, 551, 2));  // the design's 1-pixel margin
    EXPECT_EQ(bevel->frameShape(), QFrame::HLine);

    const auto* label = form.findChild<QLabel*>("MessageLabel");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Messages:");
    EXPECT_EQ(label->pos(), QPoint(24, 46));
}

TEST(MainFormLayout, MenuHoldsItsItemsInOrderWithTheirAccelerators) {
    TMainForm form;
    EXPECT_EQ(form.findChild<QMenuBar*>("MainMenu"), form.menuBar());
    ASSERT_EQ(form.menuBar()->actions().size(), 1);
    EXPECT_EQ(form.menuBar()->actions()[0]->text(), "&Menu");
    const QMenu* menu = form.menuBar()->actions()[0]->menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), "Menu");

    const QList<QAction*> items = menu->actions();
    const std::vector<std::pair<QString, QString>> expected{
        {"MenuDownLoad", "&DownLoad"},
        {"MenuUpLoad", "&UpLoad"},
        {"N1", ""},
        {"MenuComPort", "Com&Port"},
        {"N2", ""},
        {"MenuExit", "E&xit"},
        {"N3", ""},
        {"MenuAbout", "&About"},
    };
    ASSERT_EQ(items.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].first.toStdString());
        EXPECT_EQ(items[i]->objectName(), expected[i].first);
        EXPECT_EQ(items[i]->isSeparator(), expected[i].second.isEmpty());
        if (!items[i]->isSeparator()) {
            EXPECT_EQ(items[i]->text(), expected[i].second);
        }
    }
}

TEST(MainFormLayout, ToolButtonsCarryTheirPicturesAndHints) {
    TMainForm form;
    const ExpectedButton buttons[] = {
        {"DownBtn", 24, "Click to download to file"},
        {"UpBtn", 48, "Click to upload from file"},
        {"ComBtn", 88, "Click to change ComPort Settings"},
        {"ExitBtn", 129, "Click to exit"},
    };
    for (const ExpectedButton& expected : buttons) {
        SCOPED_TRACE(expected.Name);
        auto* button = form.findChild<QToolButton*>(expected.Name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->geometry(), QRect(expected.Left, 8, 25, 25));
        EXPECT_EQ(button->toolTip(), expected.Hint);
        EXPECT_FALSE(button->icon().pixmap(16, 16).isNull());
        EXPECT_EQ(button->iconSize(), QSize(16, 16));
    }
}

TEST(MainFormLayout, MessageLogStartsEmptyReadOnlyOnButtonFace) {
    TMainForm form;
    QPlainTextEdit* log = &form.MessageWindow();
    EXPECT_EQ(form.findChild<QPlainTextEdit*>("MessageWindow"), log);
    EXPECT_EQ(log->geometry(), QRect(24, 68, 505, 285));
    EXPECT_TRUE(log->isReadOnly());
    EXPECT_TRUE(log->toPlainText().isEmpty());
    EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(log->palette().color(QPalette::Base), log->palette().color(QPalette::Button));
}

TEST(MainFormLog, LinesGoAtTheEndWhereverTheCursorIs) {
    TMainForm form;
    form.AppendLogLine("Download to /tmp/a.nvf complete.");
    QTextCursor cursor = form.MessageWindow().textCursor();
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
    form.MessageWindow().setTextCursor(cursor);  // the user selects the first word
    form.AppendLogLine("Upload error - invalid value... 4,bad");
    form.AppendLogLine("");
    form.AppendLogLine("Upload of /tmp/b.nvf completed with errors.");
    EXPECT_EQ(form.MessageWindow().toPlainText(),
              "Download to /tmp/a.nvf complete.\nUpload error - invalid value... 4,bad\n\n"
              "Upload of /tmp/b.nvf completed with errors.");
}

// File names and replies are quoted into the log: none of their characters may start a line
// of its own, act as a control or reorder the text.
TEST(MainFormLog, QuotedTextCannotForgeOrReorderALine) {
    TMainForm form;
    form.AppendLogLine("Download to /tmp/x\n.nvf\u2029Download to /tmp/y.nvf complete.");
    form.AppendLogLine("Upload error - bad value... 4,\x1b[2J\a\u202Ebad");
    EXPECT_EQ(form.MessageWindow().blockCount(), 2);
    EXPECT_EQ(form.MessageWindow().toPlainText(),
              "Download to /tmp/x\\x0A.nvf\\u2029Download to /tmp/y.nvf complete.\n"
              "Upload error - bad value... 4,\\x1B[2J\\x07\\u202Ebad");
}

TEST(MainFormLog, AFullLogScrollsToItsNewestLine) {
    TMainForm form;
    form.show();
    for (int line = 1; line <= 200; ++line) {
        form.AppendLogLine("Download error - cell " + std::to_string(line));
    }
    QScrollBar* bar = form.MessageWindow().verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

// Records which actions ran.
struct ActionLog {
    std::vector<std::string> Ran;
    TMainFormActions Actions() {
        return {
            [this] { Ran.push_back("download"); },      [this] { Ran.push_back("upload"); },
            [this] { Ran.push_back("port settings"); }, [this] { Ran.push_back("about"); },
            [this] { Ran.push_back("start-up"); },
        };
    }
};

QAction* MenuItem(const TMainForm& form, const char* name) {
    for (QAction* item : form.menuBar()->actions()[0]->menu()->actions()) {
        if (item->objectName() == name) {
            return item;
        }
    }
    return nullptr;
}

TEST(MainFormCommands, ButtonsAndMenuItemsRunTheirActions) {
    TMainForm form;
    ActionLog log;
    form.SetActions(log.Actions());
    form.show();
    const auto click = [&form](TMainCommand command) { form.CommandButton(command)->click(); };
    const auto choose = [&form](const char* item) { MenuItem(form, item)->trigger(); };
    click(TMainCommand::Download);
    choose("MenuDownLoad");
    click(TMainCommand::Upload);
    choose("MenuUpLoad");
    click(TMainCommand::PortSettings);
    choose("MenuComPort");
    choose("MenuAbout");
    EXPECT_EQ(log.Ran, (std::vector<std::string>{"download", "download", "upload", "upload",
                                                 "port settings", "port settings", "about"}));
    EXPECT_EQ(form.CommandButton(TMainCommand::About), nullptr) << "on the menu only";
    EXPECT_TRUE(form.isVisible());
    click(TMainCommand::Exit);
    EXPECT_FALSE(form.isVisible());
    form.show();
    choose("MenuExit");
    EXPECT_FALSE(form.isVisible());
}

// Each command is one action: its menu item is the action itself, and its button follows
// the action's enabled state.
TEST(MainFormCommands, DisablingACommandDisablesItsMenuItemAndButtonTogether) {
    TMainForm form;
    ActionLog log;
    form.SetActions(log.Actions());
    form.show();
    const std::pair<TMainCommand, const char*> commands[] = {
        {TMainCommand::Download, "MenuDownLoad"},
        {TMainCommand::Upload, "MenuUpLoad"},
        {TMainCommand::PortSettings, "MenuComPort"},
        {TMainCommand::Exit, "MenuExit"},
    };
    for (const auto& [command, item] : commands) {
        SCOPED_TRACE(item);
        ASSERT_EQ(MenuItem(form, item), &form.Command(command));
        QToolButton* button = form.CommandButton(command);
        form.Command(command).setEnabled(false);
        EXPECT_FALSE(button->isEnabled());
        button->click();
        form.Command(command).setEnabled(true);
        EXPECT_TRUE(button->isEnabled());
    }
    EXPECT_TRUE(log.Ran.empty());
    EXPECT_TRUE(form.isVisible());
}

TEST(MainFormCommands, CommandsWithoutActionsDoNothing) {
    TMainForm form;
    form.show();
    form.CommandButton(TMainCommand::Download)->click();
    form.Command(TMainCommand::About).trigger();
    form.StartupTimerTimer();
    EXPECT_TRUE(form.isVisible());
}

TEST(MainFormCommands, AFailingActionReachesTheErrorReportAndTheWindowGoesOn) {
    TMainForm form;
    TMainFormActions actions;
    actions.OpenDownload = [] { throw std::runtime_error("Port in use"); };
    form.SetActions(actions);
    form.show();
    QString title;
    QString text;
    test::AnswerMessageBox(&title, &text);
    form.CommandButton(TMainCommand::Download)->click();
    EXPECT_EQ(title, "Norvane");
    EXPECT_EQ(text, "Port in use.");
    EXPECT_TRUE(form.isVisible());
}

TEST(MainFormStartup, TimerRunsTheStartUpStepsOnce) {
    TMainForm form;
    ActionLog log;
    form.SetActions(log.Actions());
    EXPECT_TRUE(form.StartupTimer().isActive()) << "started with the window";
    EXPECT_TRUE(form.StartupTimer().isSingleShot());
    EXPECT_EQ(form.StartupTimer().interval(), 1000);
    EXPECT_EQ(form.StartupTimer().objectName(), "StartupTimer");

    // The handler switches the timer off, so a tick still pending never comes.
    form.StartupTimerTimer();
    EXPECT_FALSE(form.StartupTimer().isActive());
    EXPECT_EQ(log.Ran, std::vector<std::string>{"start-up"});
}

TEST(MainFormStartup, TheTimersTickRunsTheHandler) {
    TMainForm form;
    ActionLog log;
    form.SetActions(log.Actions());
    form.StartupTimer().start(0);  // no need to wait the real second
    while (log.Ran.empty()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    EXPECT_EQ(log.Ran, std::vector<std::string>{"start-up"});
}

}  // namespace
}  // namespace norvane::app
