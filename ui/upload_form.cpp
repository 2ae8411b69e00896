#include "ui/upload_form.h"

#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "device/cell_transfer.h"

namespace norvane::ui {

TUpLoadForm::TUpLoadForm(session::TInstrumentSession& session, TLogSink appendLogLine,
                         QWidget* parent)
    : TTransferForm(session, std::move(appendLogLine), parent) {
    setObjectName(QStringLiteral("UpLoadForm"));
    setWindowTitle(QStringLiteral("Upload From File"));
    FileName->setToolTip(QStringLiteral("Selected file to upload"));
    FileBtn->setToolTip(QStringLiteral("Click to select filename"));
    OKBtn->setToolTip(QStringLiteral("Click to upload file"));
    CancelBtn->setToolTip(QStringLiteral("Click to exit without uploading"));

    SetInitialDirectory(DefaultDataDirectory());
}

void TUpLoadForm::RunTransfer(device::TCellTransfer& transfer) {
    transfer.UploadCells(*this);
}

void TUpLoadForm::SetUpChooser(QFileDialog& chooser) const {
    chooser.setObjectName(QStringLiteral("UpDialog"));
    chooser.setWindowTitle(QStringLiteral("Select File To Load"));
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setNameFilter(QStringLiteral("Norvane files (*.nvf)"));
}

}  // namespace norvane::ui
