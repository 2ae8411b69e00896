#pragma once
// The upload dialog: chooses the cell file to send and runs its upload into the instrument
// (see TTransferForm for the states and the closing rules).
//
// Its open chooser "UpDialog" starts in DefaultDataDirectory() and accepts a typed name of
// a file that does not exist; the upload then reports the missing file.

#include "ui/transfer_form.h"

namespace norvane::ui {

class TUpLoadForm : public TTransferForm {
  public:
    TUpLoadForm(session::TInstrumentSession& session, TLogSink appendLogLine,
                QWidget* parent = nullptr);

  protected:
    void RunTransfer(device::TCellTransfer& transfer) override;
    void SetUpChooser(QFileDialog& chooser) const override;
};

}  // namespace norvane::ui
