#pragma once
// The port settings dialog: which port the instrument is on and how the line is set, kept
// in the settings file (session/port_settings_file.h) and applied to the program's one serial
// port component.
//
// Created hidden at start-up and kept until exit, so that its lists always hold the current
// settings; the main window loads and applies them once at start-up and shows the dialog
// modally on request. The port component and the protocol's time-out timer belong to the
// instrument session, which outlives this dialog; ComPort() reaches the component.
//
// User-interface thread only.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QString>

#include "serial/component/com_port.h"
#include "session/instrument_session.h"
#include "session/port_settings_file.h"

namespace norvane::ui {

class TSerialForm : public QDialog {
    Q_OBJECT

  public:
    // settingsPath is the settings file (normally session::DefaultSettingsPath()). The lists start
    // at their first entries until LoadPortSettings() runs.
    TSerialForm(session::TInstrumentSession& session, QString settingsPath,
                QWidget* parent = nullptr);

    serial::TVexaComPort& ComPort() { return Session_.ComPort(); }
    const QString& SettingsPath() const { return SettingsPath_; }

    // File to lists: each list selects its stored index, or the key's default when the file,
    // section or key is missing or the value is not an integer; an index outside the list
    // leaves the list without a selection. Also makes the file's "PortDevices" assignments
    // the port map's only explicit ones. Does not throw.
    void LoadPortSettings();

    // Lists to file: the selected index of each list (-1 for none), and, when the file
    // assigns no device to the chosen port number yet and the number's current device has a
    // stable name (stable_device_name.h), that name, so that the number stays with the
    // adapter. Throws
    // std::runtime_error "Unable to write to <path>" and leaves the file as it was.
    void SavePortSettings();

    // Lists to the port component (port number, baud rate, parity, data bits, stop bits, in
    // that order; the port follows its number to the device the number means now), then
    // adds the line trigger, which opens the port if it is closed. A list without a
    // selection stops it there with "'' is not a valid integer value" (a TDetailedFailure
    // naming the settings file and key; parity excepted: no selection keeps the port's
    // parity); what was handed to the port before stays, and no trigger is added. The port
    // component's failures propagate; one that leaves the port closed comes as a TDetailedFailure
    // whose detail names the device the port number stands for ("Port 3: /dev/ttyUSB1").
    void ApplyPortSettings();

    // OK: save, then apply; the dialog closes with Accepted whatever happened. A failure
    // goes to the general error report and ends the handler (a failed save applies nothing,
    // and the lists keep the user's choice).
    void OKBtnClick();
    // Cancel (and Esc): the lists go back to the stored settings; the dialog closes with
    // Rejected. The port is not touched.
    void CancelBtnClick();

    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QComboBox* AddList(const char* name, const char* label, QPoint at, const QStringList& entries);
    // Each port entry's hint says which device its number means now.
    void RefreshPortHints();
    void ShowCurrentPortHint();
    // The selected entry's value; without a selection, throws the conversion's failure with
    // the settings file and key that left the list empty.
    int ListValue(const QComboBox& list, const char* key) const;
    // The entry OK adds to the settings file's "PortDevices" section, if any.
    std::optional<session::TPortDeviceEntry> PinnedDevice();

    session::TInstrumentSession& Session_;
    QString SettingsPath_;

    QComboBox* ComPortComboBox = nullptr;
    QComboBox* BaudRateComboBox = nullptr;
    QComboBox* ParityComboBox = nullptr;
    QComboBox* DataBitsComboBox = nullptr;
    QComboBox* StopBitsComboBox = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
};

}  // namespace norvane::ui
