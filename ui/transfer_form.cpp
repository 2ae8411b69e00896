#include "ui/transfer_form.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <cctype>
#include <utility>

#include "device/cell_transfer.h"
#include "session/instrument_session.h"
#include "ui/button_glyphs.h"
#include "ui/dialog_placement.h"
#include "ui/error_report.h"
#include "ui/fixed_dialog.h"

namespace norvane::ui {

namespace {

const QString kNoFileChosen = QString::fromLatin1(device::TCellTransfer::kNoFileChosen);

}  // namespace

QString DefaultDataDirectory() {
    return QDir::homePath() + QStringLiteral("/Norvane");
}

TTransferForm::TTransferForm(session::TInstrumentSession& session, TLogSink appendLogLine,
                             QWidget* parent)
    : QDialog(parent, kFixedDialogFlags),
      Session_(session),
      AppendLogLine_(std::move(appendLogLine)) {
    setFont(ArialOfPixels(13));
    setModal(true);
    CreateControls();
    ApplyClientHeight();
}

void TTransferForm::CreateControls() {
    FileLabel = new QLabel(QStringLiteral("Filename"), this);
    FileLabel->setObjectName(QStringLiteral("FileLabel"));
    FileLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FileLabel->adjustSize();
    FileLabel->move(16, 28);

    FilePanel = new QFrame(this);
    FilePanel->setObjectName(QStringLiteral("FilePanel"));
    FilePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FilePanel->setGeometry(100, 24, 237, 24);

    FileName = new TFileDisplay(kNoFileChosen, FilePanel);
    FileName->setObjectName(QStringLiteral("FileName"));
    FileName->setGeometry(8, 4, 221, 16);

    FileBtn = new QToolButton(this);
    FileBtn->setObjectName(QStringLiteral("FileBtn"));
    FileBtn->setIcon(ButtonGlyph(TButtonGlyph::File));
    FileBtn->setGeometry(344, 24, 25, 25);
    connect(FileBtn, &QToolButton::clicked, this, [this] { Guarded([this] { FileBtnClick(); }); });

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(94, 64, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TTransferForm::OKBtnClick);

    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(222, 64, 75, 25);
    connect(CancelBtn, &QPushButton::clicked, this, &TTransferForm::reject);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setGeometry(0, 104, kClientWidth, 2);

    ProgressLabel = new QLabel(QStringLiteral("- Progress -"), this);
    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    ProgressLabel->adjustSize();
    ProgressLabel->move(162, 116);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(120, 140, 150, 16);
    ProgressBar->setMinimum(0);
    ProgressBar->setTextVisible(false);

    AbortBtn = new QPushButton(QStringLiteral("&Abort"), this);
    AbortBtn->setObjectName(QStringLiteral("AbortBtn"));
    AbortBtn->setGeometry(158, 170, 75, 25);
    AbortBtn->setAutoDefault(false);
    connect(AbortBtn, &QPushButton::clicked, this, &TTransferForm::AbortBtnClick);
}

int TTransferForm::Open() {
    PendingResult_.reset();
    SetTransferState(false, 0);
    // The same start on every opening, whatever the last one ended with: Space opens the
    // chooser, and Enter still means OK, the default button.
    FileBtn->setFocus(Qt::OtherFocusReason);
    CentreOnScreen(*this);
    return exec();
}

void TTransferForm::SetInitialDirectory(const QString& directory) {
    ChooserDirectory_ = directory;
}

std::unique_ptr<QFileDialog> TTransferForm::NewFileChooser() {
    auto chooser = std::make_unique<QFileDialog>(this);
    // Qt's own chooser, not the desktop's: it behaves alike everywhere and lets the
    // program's tests answer it.
    chooser->setOption(QFileDialog::DontUseNativeDialog);
    chooser->setFileMode(QFileDialog::AnyFile);
    SetUpChooser(*chooser);
    if (!ChooserDirectory_.isEmpty()) {
        // A chooser given a missing directory opens in the working directory, of all places.
        chooser->setDirectory(QDir(ChooserDirectory_).exists() ? ChooserDirectory_
                                                               : QDir::homePath());
    }
    return chooser;
}

// ---- host operations --------------------------------------------------------------------

void TTransferForm::AppendLogLine(const std::string& text) {
    if (AppendLogLine_) {
        AppendLogLine_(text);
    }
}

void TTransferForm::SetTransferState(bool on, int maximum) {
    ClientHeight_ = on ? kTransferClientHeight : kIdleClientHeight;
    ApplyClientHeight();
    for (QWidget* control : {static_cast<QWidget*>(FileLabel), static_cast<QWidget*>(FilePanel),
                             static_cast<QWidget*>(FileName), static_cast<QWidget*>(OKBtn),
                             static_cast<QWidget*>(CancelBtn), static_cast<QWidget*>(FileBtn)}) {
        control->setEnabled(!on);
    }
    ProgressBar->setEnabled(on);
    AbortBtn->setEnabled(on);
    // While a transfer runs, Abort is all there is to press: Enter means it, as it means OK
    // in the idle dialog (the disabled OK button used to swallow it).
    OKBtn->setDefault(!on);
    AbortBtn->setDefault(on);
    if (on) {
        // Focus would otherwise stay on the disabled OK button, out of Abort's reach by
        // keyboard. Given as if by Tab, so that the style draws the focus frame.
        AbortBtn->setFocus(Qt::TabFocusReason);
    }
    ProgressBar->setMaximum(maximum);
    ProgressBar->setValue(0);
}

void TTransferForm::SetProgress(int position) {
    ProgressBar->setValue(position);
}

void TTransferForm::ShowErrorBox(const std::string& text, const std::string& /*cause*/) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QString::fromStdString(text),
                    QMessageBox::Ok, this);
    box.exec();
}

void TTransferForm::WarningBeep() {
    QApplication::beep();
}

void TTransferForm::CancelDialogClose() {
    PendingResult_.reset();
}

std::string TTransferForm::FileDisplayPath() const {
    return FileName->text().toStdString();
}

// ---- handlers ---------------------------------------------------------------------------

void TTransferForm::FileBtnClick() {
    const std::unique_ptr<QFileDialog> chooser = NewFileChooser();
    if (chooser->exec() != QDialog::Accepted || chooser->selectedFiles().isEmpty()) {
        return;
    }
    const QFileInfo chosen(chooser->selectedFiles().constFirst());
    FileName->setText(chosen.absoluteFilePath());
    // From now on the chooser opens where the last chosen file lies, as the desktop's own
    // choosers do, also when the name was typed with another directory.
    ChooserDirectory_ = chosen.absolutePath();
}

void TTransferForm::OKBtnClick() {
    if (Running_) {
        // Only possible in the idle state after an unsuccessful probe; the procedure
        // refuses the second start, and that refusal must not cancel the first one's close.
        const std::optional<int> pending = PendingResult_;
        Guarded([this] { RunTransfer(Session_.Transfer()); });
        PendingResult_ = pending;
        return;
    }
    PendingResult_ = QDialog::Accepted;
    Running_ = true;
    Session_.Recording().Arm();
    Guarded([this] { RunTransfer(Session_.Transfer()); });
    Running_ = false;
    if (const std::string lost = Session_.DisconnectionText(); !lost.empty()) {
        AppendLogLine(lost + ".");
    }
    // After the transfer's own lines, so that a recording that cannot be written never
    // stands in the place of the outcome.
    for (std::string failure : Session_.Recording().Finish()) {
        failure[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(failure[0])));
        AppendLogLine(failure);
    }
    if (PendingResult_) {
        done(*PendingResult_);
    }
}

void TTransferForm::AbortBtnClick() {
    Session_.Link().Abort();
    if (Running_) {
        PendingResult_ = kAbortResult;
    } else {
        done(kAbortResult);
    }
}

void TTransferForm::reject() {
    if (!CancelBtn->isEnabled()) {
        return;
    }
    if (Running_) {
        Session_.Link().Abort();
        PendingResult_ = QDialog::Rejected;
        return;
    }
    QDialog::reject();
}

void TTransferForm::done(int result) {
    if (Running_) {
        PendingResult_ = result;
        return;
    }
    QDialog::done(result);
    FormClose();
}

void TTransferForm::FormClose() {
    FileName->setText(kNoFileChosen);
}

// ---- geometry ---------------------------------------------------------------------------

void TTransferForm::ApplyClientHeight() {
    setFixedSize(kClientWidth, ClientHeight_);
}

}  // namespace norvane::ui
