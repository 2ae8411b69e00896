#include "app/main_form.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>

#include "base/visible_text.h"
#include "ui/button_glyphs.h"
#include "ui/dialog_placement.h"
#include "ui/error_report.h"
#include "ui/fixed_dialog.h"

namespace norvane::app {

namespace {

constexpr int kFontPixelSize = 13;
constexpr int kToolButtonSize = 25;
constexpr int kGlyphSize = 16;

// How a command shows itself: its menu item and, where it has one, its tool button.
struct TCommandLook {
    const char* MenuName;
    const char* Caption;
    const char* ButtonName;  // null: on the menu only
    ui::TButtonGlyph Glyph;
    int ButtonLeft;
    const char* Hint;
};

// In TMainCommand's order.
constexpr std::array<TCommandLook, kMainCommandCount> kCommandLooks{{
    {"MenuDownLoad", "&DownLoad", "DownBtn", ui::TButtonGlyph::Download, 24,
     "Click to download to file"},
    {"MenuUpLoad", "&UpLoad", "UpBtn", ui::TButtonGlyph::Upload, 48, "Click to upload from file"},
    {"MenuComPort", "Com&Port", "ComBtn", ui::TButtonGlyph::ComPort, 88,
     "Click to change ComPort Settings"},
    {"MenuExit", "E&xit", "ExitBtn", ui::TButtonGlyph::Exit, 129, "Click to exit"},
    {"MenuAbout", "&About", nullptr, {}, 0, nullptr},
}};

constexpr std::size_t IndexOf(TMainCommand command) {
    return static_cast<std::size_t>(command);
}

const TCommandLook& LookOf(TMainCommand command) {
    return kCommandLooks[IndexOf(command)];
}

constexpr std::array<TMainCommand, kMainCommandCount> kAllCommands{
    TMainCommand::Download, TMainCommand::Upload, TMainCommand::PortSettings, TMainCommand::Exit,
    TMainCommand::About};

QAction* MakeCommandAction(QObject* owner, const TCommandLook& look) {
    auto* action = new QAction(QString::fromLatin1(look.Caption), owner);
    action->setObjectName(QString::fromLatin1(look.MenuName));
    return action;
}

// The button stands for the action: a click triggers it, and the button is enabled exactly
// when the action is. Not QToolButton::setDefaultAction: the button's picture would have to
// be the action's icon, and a menu reserves a column for icons once any of its items has one
// (even one hidden from the menu), which widens the menu.
void ShowOnButton(QAction* action, QToolButton* button) {
    button->setEnabled(action->isEnabled());
    QObject::connect(button, &QToolButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
}

QToolButton* MakeToolButton(QWidget* client, const TCommandLook& look, QAction* action) {
    auto* button = new QToolButton(client);
    button->setObjectName(QString::fromLatin1(look.ButtonName));
    button->setGeometry(look.ButtonLeft, 8, kToolButtonSize, kToolButtonSize);
    button->setIcon(ui::ButtonGlyph(look.Glyph));
    button->setIconSize(QSize(kGlyphSize, kGlyphSize));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(QString::fromLatin1(look.Hint));
    ShowOnButton(action, button);
    return button;
}

void AddSeparator(QMenu* menu, const char* name) {
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QString::fromUtf8(ui::kApplicationTitle));
    setFont(ui::ArialOfPixels(kFontPixelSize));

    CreateCommands();
    CreateMenu();
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);
    CreateControls(client);

    // The menu bar adds its height above the client area.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    GTSizer_ = sizing::AttachFormSizer(*this);
    ui::CentreOnScreen(*this);
    CreateStartupTimer();
}

void TMainForm::CreateCommands() {
    for (const TMainCommand command : kAllCommands) {
        QAction* action = MakeCommandAction(this, LookOf(command));
        connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
        Commands_[IndexOf(command)] = action;
    }
}

void TMainForm::CreateMenu() {
    QMenuBar* mainMenu = menuBar();
    mainMenu->setObjectName(QStringLiteral("MainMenu"));
    QMenu* menu = mainMenu->addMenu(QStringLiteral("&Menu"));
    menu->setObjectName(QStringLiteral("Menu"));
    menu->addAction(&Command(TMainCommand::Download));
    menu->addAction(&Command(TMainCommand::Upload));
    AddSeparator(menu, "N1");
    menu->addAction(&Command(TMainCommand::PortSettings));
    AddSeparator(menu, "N2");
    menu->addAction(&Command(TMainCommand::Exit));
    AddSeparator(menu, "N3");
    menu->addAction(&Command(TMainCommand::About));
}

void TMainForm::CreateControls(QWidget* client) {
    auto* bevel = new QFrame(client);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    // The layout's right edge: one pixel short of the client width, the design's margin.
    bevel->setGeometry(0, 0, kClientWidth - 1, 2);

    for (const TMainCommand command : kAllCommands) {
        const TCommandLook& look = LookOf(command);
        if (look.ButtonName != nullptr) {
            CommandButtons_[IndexOf(command)] = MakeToolButton(client, look, &Command(command));
        }
    }

    auto* messageLabel = new QLabel(QStringLiteral("Messages:"), client);
    messageLabel->setObjectName(QStringLiteral("MessageLabel"));
    messageLabel->move(24, 46);
    messageLabel->adjustSize();

    MessageWindow_ = new QPlainTextEdit(client);
    MessageWindow_->setObjectName(QStringLiteral("MessageWindow"));
    MessageWindow_->setGeometry(24, 68, 505, 285);
    MessageWindow_->setReadOnly(true);
    MessageWindow_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = MessageWindow_->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Button));
    }
    MessageWindow_->setPalette(palette);
}

void TMainForm::CreateStartupTimer() {
    StartupTimer_ = new QTimer(this);
    StartupTimer_->setObjectName(QStringLiteral("StartupTimer"));
    StartupTimer_->setSingleShot(true);
    StartupTimer_->setInterval(kStartupDelayMs);
    connect(StartupTimer_, &QTimer::timeout, this, [this] { StartupTimerTimer(); });
    StartupTimer_->start();
}

void TMainForm::SetActions(TMainFormActions actions) {
    Actions_ = std::move(actions);
}

void TMainForm::AppendLogLine(const std::string& text) {
    // appendPlainText adds a block at the end of the document, not at the cursor. The text
    // quotes file names and replies: shown raw, a line feed or a paragraph separator in one
    // would start a log line of its own ("... complete." forged), a bidirectional override
    // would reorder what follows.
    MessageWindow_->appendPlainText(
        QString::fromStdString(base::VisibleText(text, base::TControlSet::Terminal)));
}

QAction& TMainForm::Command(TMainCommand command) const {
    return *Commands_[IndexOf(command)];
}

QToolButton* TMainForm::CommandButton(TMainCommand command) const {
    return CommandButtons_[IndexOf(command)];
}

QPlainTextEdit& TMainForm::MessageWindow() const {
    return *MessageWindow_;
}

QTimer& TMainForm::StartupTimer() const {
    return *StartupTimer_;
}

void TMainForm::Run(const std::function<void()>& action) {
    ui::Guarded([&action] {
        if (action) {
            action();
        }
    });
}

void TMainForm::RunCommand(TMainCommand command) {
    switch (command) {
        case TMainCommand::Download:
            Run(Actions_.OpenDownload);
            break;
        case TMainCommand::Upload:
            Run(Actions_.OpenUpload);
            break;
        case TMainCommand::PortSettings:
            Run(Actions_.OpenPortSettings);
            break;
        case TMainCommand::Exit:
            Run([this] { close(); });
            break;
        case TMainCommand::About:
            Run(Actions_.OpenAbout);
            break;
    }
}

void TMainForm::StartupTimerTimer() {
    StartupTimer_->stop();
    Run(Actions_.RunStartupSteps);
}

}  // namespace norvane::app
