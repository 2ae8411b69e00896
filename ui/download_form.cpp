#include "ui/download_form.h"

#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "device/cell_transfer.h"

namespace norvane::ui {

TDownLoadForm::TDownLoadForm(session::TInstrumentSession& session, TLogSink appendLogLine,
                             QWidget* parent)
    : TTransferForm(session, std::move(appendLogLine), parent) {
    setObjectName(QStringLiteral("DownLoadForm"));
    setWindowTitle(QStringLiteral("Download To File"));
    FileName->setToolTip(QStringLiteral("Specified file to receive download"));
    FileBtn->setToolTip(QStringLiteral("Click to specify filename"));
    OKBtn->setToolTip(QStringLiteral("Click to begin download"));
    CancelBtn->setToolTip(QStringLiteral("Click to exit without downloading"));
}

void TDownLoadForm::RunTransfer(device::TCellTransfer& transfer) {
    transfer.DownloadCells(*this);
}

void TDownLoadForm::SetUpChooser(QFileDialog& chooser) const {
    chooser.setObjectName(QStringLiteral("DownDialog"));
    chooser.setWindowTitle(QStringLiteral("Save As"));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setNameFilter(QStringLiteral("Norvane Files (*.nvf)"));
    chooser.setDefaultSuffix(QStringLiteral("nvf"));
    chooser.setOption(QFileDialog::DontConfirmOverwrite);
}

}  // namespace norvane::ui
