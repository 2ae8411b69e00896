#pragma once
// The Select Port dialog: asked for when a port is to be opened without a port number
// (the serial layer's port prompt, serial/application_hooks.h). It offers every port
// number from 1 to 50 whose device is there now (serial/ports/port_availability.h), as
// "COM1", "COM2", ..., each with the device path it stands for as its hint.
//
// User-interface thread only.

#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QPushButton>
#include <optional>

#include "serial/ports/port_map.h"

namespace norvane::ui {

class TComSelectForm : public QDialog {
    Q_OBJECT

  public:
    // The result of Cancel; OK gives QDialog::Accepted, the close box and Esc Rejected.
    static constexpr int kAbortResult = 3;
    static constexpr int kHighestPort = 50;

    // Probes the ports of `map` once, now; the first entry is selected.
    explicit TComSelectForm(const serial::TPortMap& map = serial::PortMap(),
                            QWidget* parent = nullptr);

    // The number of the selected entry, or nothing when the list is empty.
    std::optional<int> ChosenPort() const;

  private:
    void ListAvailablePorts(const serial::TPortMap& map);

    QFrame* Panel = nullptr;
    QComboBox* PortComboBox = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
};

// Shows the dialog over the process-wide port map modally and returns the chosen port
// number, or nothing when it closed any other way than with OK. The serial layer's port
// prompt: install with serial::SetPortPrompt(&PromptForPort).
std::optional<int> PromptForPort();

}  // namespace norvane::ui
