#include "app/main_form.h"

#include <QAction>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include "base/visible_text.h"
#include "ui/button_glyphs.h"
#include "ui/error_report.h"
#include "ui/fixed_dialog.h"

namespace norvane::app {

namespace {

constexpr int kFontPixelSize = 13;
constexpr int kToolButtonSize = 25;
constexpr int kGlyphSize = 16;

QToolButton* MakeToolButton(QWidget* client, const char* name, ui::TButtonGlyph glyph, int left,
                            const char* hint) {
    auto* button = new QToolButton(client);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, 8, kToolButtonSize, kToolButtonSize);
    button->setIcon(ui::ButtonGlyph(glyph));
    button->setIconSize(QSize(kGlyphSize, kGlyphSize));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(QString::fromLatin1(hint));
    return button;
}

QAction* AddItem(QMenu* menu, const char* name, const char* caption) {
    QAction* item = menu->addAction(QString::fromLatin1(caption));
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

QAction* AddSeparator(QMenu* menu, const char* name) {
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QString::fromLatin1(name));
    return separator;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QString::fromUtf8(ui::kApplicationTitle));
    setFont(ui::ArialOfPixels(kFontPixelSize));

    CreateMenu();
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);
    CreateControls(client);
    ConnectHandlers();

    // The menu bar adds its height above the client area.
    resize(kClientWidth, kClientHeight + MainMenu->sizeHint().height());
    GTSizer = sizing::AttachFormSizer(*this);
    CentreOnScreen();

    StartupTimer = new QTimer(this);
    StartupTimer->setObjectName(QStringLiteral("StartupTimer"));
    StartupTimer->setSingleShot(true);
    StartupTimer->setInterval(kStartupDelayMs);
    connect(StartupTimer, &QTimer::timeout, this, [this] { StartupTimerTimer(); });
    StartupTimer->start();
}

void TMainForm::CreateMenu() {
    MainMenu = menuBar();
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    Menu = MainMenu->addMenu(QStringLiteral("&Menu"));
    Menu->setObjectName(QStringLiteral("Menu"));
    MenuDownLoad = AddItem(Menu, "MenuDownLoad", "&DownLoad");
    MenuUpLoad = AddItem(Menu, "MenuUpLoad", "&UpLoad");
    N1 = AddSeparator(Menu, "N1");
    MenuComPort = AddItem(Menu, "MenuComPort", "Com&Port");
    N2 = AddSeparator(Menu, "N2");
    MenuExit = AddItem(Menu, "MenuExit", "E&xit");
    N3 = AddSeparator(Menu, "N3");
    MenuAbout = AddItem(Menu, "MenuAbout", "&About");
}

void TMainForm::CreateControls(QWidget* client) {
    Bevel1 = new QFrame(client);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    // The layout's right edge: one pixel short of the client width, the design's margin.
    Bevel1->setGeometry(0, 0, kClientWidth - 1, 2);

    DownBtn = MakeToolButton(client, "DownBtn", ui::TButtonGlyph::Download, 24,
                             "Click to download to file");
    UpBtn =
        MakeToolButton(client, "UpBtn", ui::TButtonGlyph::Upload, 48, "Click to upload from file");
    ComBtn = MakeToolButton(client, "ComBtn", ui::TButtonGlyph::ComPort, 88,
                            "Click to change ComPort Settings");
    ExitBtn = MakeToolButton(client, "ExitBtn", ui::TButtonGlyph::Exit, 129, "Click to exit");

    MessageLabel = new QLabel(QStringLiteral("Messages:"), client);
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->move(24, 46);
    MessageLabel->adjustSize();

    MessageWindow = new QPlainTextEdit(client);
    MessageWindow->setObjectName(QStringLiteral("MessageWindow"));
    MessageWindow->setGeometry(24, 68, 505, 285);
    MessageWindow->setReadOnly(true);
    MessageWindow->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = MessageWindow->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Button));
    }
    MessageWindow->setPalette(palette);
}

void TMainForm::ConnectHandlers() {
    connect(DownBtn, &QToolButton::clicked, this, [this] { DownBtnClick(); });
    connect(UpBtn, &QToolButton::clicked, this, [this] { UpBtnClick(); });
    connect(ComBtn, &QToolButton::clicked, this, [this] { ComBtnClick(); });
    connect(ExitBtn, &QToolButton::clicked, this, [this] { ExitBtnClick(); });
    connect(MenuDownLoad, &QAction::triggered, this, [this] { MenuDownLoadClick(); });
    connect(MenuUpLoad, &QAction::triggered, this, [this] { MenuUpLoadClick(); });
    connect(MenuComPort, &QAction::triggered, this, [this] { MenuComPortClick(); });
    connect(MenuExit, &QAction::triggered, this, [this] { MenuExitClick(); });
    connect(MenuAbout, &QAction::triggered, this, [this] { MenuAboutClick(); });
}

void TMainForm::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect placed(QPoint(0, 0), size());
    placed.moveCenter(screen->availableGeometry().center());
    move(placed.topLeft());
}

void TMainForm::SetActions(TMainFormActions actions) {
    Actions_ = std::move(actions);
}

void TMainForm::AppendLogLine(const std::string& text) {
    // appendPlainText adds a block at the end of the document, not at the cursor. The text
    // quotes file names and replies: shown raw, a line feed or a paragraph separator in one
    // would start a log line of its own ("... complete." forged), a bidirectional override
    // would reorder what follows.
    MessageWindow->appendPlainText(
        QString::fromStdString(base::VisibleText(text, base::TControlSet::Terminal)));
}

void TMainForm::Run(const std::function<void()>& action) {
    ui::Guarded([&action] {
        if (action) {
            action();
        }
    });
}

void TMainForm::DownBtnClick() {
    Run(Actions_.OpenDownload);
}

void TMainForm::MenuDownLoadClick() {
    Run(Actions_.OpenDownload);
}

void TMainForm::UpBtnClick() {
    Run(Actions_.OpenUpload);
}

void TMainForm::MenuUpLoadClick() {
    Run(Actions_.OpenUpload);
}

void TMainForm::ComBtnClick() {
    Run(Actions_.OpenPortSettings);
}

void TMainForm::MenuComPortClick() {
    Run(Actions_.OpenPortSettings);
}

void TMainForm::ExitBtnClick() {
    Run([this] { close(); });
}

void TMainForm::MenuExitClick() {
    Run([this] { close(); });
}

void TMainForm::MenuAboutClick() {
    Run(Actions_.OpenAbout);
}

void TMainForm::StartupTimerTimer() {
    StartupTimer->stop();
    Run(Actions_.RunStartupSteps);
}

}  // namespace norvane::app
