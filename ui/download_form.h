#pragma once
// The download dialog: chooses the cell file to write and runs the download of the
// instrument's cells into it (see TTransferForm for the states and the closing rules).
//
// Its save chooser "DownDialog" starts with no initial directory; the main window's
// start-up sets it (SetInitialDirectory(DefaultDataDirectory())). Choosing an existing file
// asks no confirmation: the download replaces it, but only once it has completed.

#include "ui/transfer_form.h"

namespace norvane::ui {

class TDownLoadForm : public TTransferForm {
  public:
    TDownLoadForm(session::TInstrumentSession& session, TLogSink appendLogLine,
                  QWidget* parent = nullptr);

  protected:
    void RunTransfer(device::TCellTransfer& transfer) override;
    void SetUpChooser(QFileDialog& chooser) const override;
};

}  // namespace norvane::ui
