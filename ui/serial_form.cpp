#include "ui/serial_form.h"

#include <QFont>
#include <QGuiApplication>
#include <QStyle>
#include <map>
#include <stdexcept>
#include <type_traits>

#include "serial/component/open_attempt_text.h"
#include "serial/ports/port_map.h"
#include "session/line_settings.h"
#include "session/port_settings_file.h"
#include "ui/dialog_placement.h"
#include "ui/error_report.h"
#include "ui/fixed_dialog.h"
#include "ui/port_device_hint.h"

namespace norvane::ui {

namespace {

// The wait cursor for as long as it lives.
struct TWaitCursor {
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

constexpr QSize kClientSize{360, 167};
constexpr int kLabelWidth = 68;
constexpr int kLabelGap = 8;  // between a label's right edge and its list
constexpr QSize kListSize{81, 21};
constexpr QSize kButtonSize{75, 25};

template <class Entries>
QStringList EntryTexts(const Entries& entries) {
    QStringList texts;
    for (const auto& entry : entries) {
        if constexpr (std::is_same_v<std::decay_t<decltype(entry)>, int>) {
            texts << QString::number(entry);
        } else {
            texts << QString::fromUtf8(entry);
        }
    }
    return texts;
}

// The selected entry's text as an integer; a list without a selection has the text "".
int SelectedValue(const QComboBox& list) {
    const QString text = list.currentText();
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok) {
        throw std::runtime_error("'" + text.toStdString() + "' is not a valid integer value");
    }
    return value;
}

// An index outside the list means no selection.
void Select(QComboBox& list, int index) {
    list.setCurrentIndex(index >= 0 && index < list.count() ? index : -1);
}

}  // namespace

TSerialForm::TSerialForm(session::TInstrumentSession& session, QString settingsPath,
                         QWidget* parent)
    : QDialog(parent), Session_(session), SettingsPath_(std::move(settingsPath)) {
    setObjectName("SerialForm");
    MakeFixedDialog(this, "Configure ComPort", kClientSize.width(), kClientSize.height(), 13);

    ComPortComboBox =
        AddList("ComPortComboBox", "ComPort", {88, 16}, EntryTexts(session::kPortEntries));
    BaudRateComboBox =
        AddList("BaudRateComboBox", "Baud Rate", {88, 56}, EntryTexts(session::kBaudEntries));
    ParityComboBox =
        AddList("ParityComboBox", "Parity", {88, 88}, EntryTexts(session::kParityEntries));
    DataBitsComboBox =
        AddList("DataBitsComboBox", "Data Bits", {264, 56}, EntryTexts(session::kDataBitsEntries));
    StopBitsComboBox =
        AddList("StopBitsComboBox", "Stop Bits", {264, 88}, EntryTexts(session::kStopBitsEntries));

    OKBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setGeometry(QRect({70, 128}, kButtonSize));
    OKBtn->setDefault(true);
    CancelBtn =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), "Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setGeometry(QRect({214, 128}, kButtonSize));

    setTabOrder(ComPortComboBox, BaudRateComboBox);
    setTabOrder(BaudRateComboBox, ParityComboBox);
    setTabOrder(ParityComboBox, DataBitsComboBox);
    setTabOrder(DataBitsComboBox, StopBitsComboBox);
    setTabOrder(StopBitsComboBox, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    connect(ComPortComboBox, &QComboBox::currentIndexChanged, this,
            [this] { ShowCurrentPortHint(); });

    RefreshPortHints();
    CentreOnScreen(*this);
}

QComboBox* TSerialForm::AddList(const char* name, const char* label, QPoint at,
                                const QStringList& entries) {
    auto* caption = new QLabel(label, this);
    caption->setObjectName(QString(name).replace("ComboBox", "Label"));
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    caption->setGeometry(at.x() - kLabelGap - kLabelWidth, at.y(), kLabelWidth, kListSize.height());
    auto* list = new QComboBox(this);
    list->setObjectName(name);
    list->setEditable(false);
    list->addItems(entries);
    list->setGeometry(QRect(at, kListSize));
    caption->setBuddy(list);
    FitLabelToText(*caption);
    return list;
}

void TSerialForm::LoadPortSettings() {
    const std::string path = SettingsPath_.toStdString();
    session::ApplyPortDeviceAssignments(path, ComPort().DeviceMap());
    const session::TPortSettingIndexes indexes = session::LoadPortSettingIndexes(path);
    Select(*ComPortComboBox, indexes.ComPort);
    Select(*BaudRateComboBox, indexes.BaudRate);
    Select(*ParityComboBox, indexes.Parity);
    Select(*DataBitsComboBox, indexes.DataBits);
    Select(*StopBitsComboBox, indexes.StopBits);
    RefreshPortHints();
}

void TSerialForm::SavePortSettings() {
    session::TPortSettingIndexes indexes;
    indexes.ComPort = ComPortComboBox->currentIndex();
    indexes.BaudRate = BaudRateComboBox->currentIndex();
    indexes.Parity = ParityComboBox->currentIndex();
    indexes.DataBits = DataBitsComboBox->currentIndex();
    indexes.StopBits = StopBitsComboBox->currentIndex();
    const std::optional<session::TPortDeviceEntry> pin = PinnedDevice();
    session::SavePortSettingIndexes(SettingsPath_.toStdString(), indexes, pin);
    if (pin) {
        ComPort().DeviceMap().Assign(pin->Port, pin->Device);
    }
}

// Kernel names follow plug order; the adapter's stable name keeps the chosen number on
// the same adapter after a replug, a reboot or another adapter appearing. A number the file
// assigns already keeps its entry, and a number that means no device pins nothing; nor does
// a device without a stable name (a built-in port, a pseudo-terminal), whose kernel name
// the mapping already gives it.
std::optional<session::TPortDeviceEntry> TSerialForm::PinnedDevice() {
    const int index = ComPortComboBox->currentIndex();
    if (index < 0) {
        return std::nullopt;
    }
    const int port = session::kPortEntries[static_cast<std::size_t>(index)];
    if (session::LoadPortDeviceAssignments(SettingsPath_.toStdString()).count(port) != 0) {
        return std::nullopt;
    }
    serial::TPortMap& map = ComPort().DeviceMap();
    const std::optional<std::string> device = map.DevicePath(port);
    if (!device) {
        return std::nullopt;
    }
    std::string stable = map.StableLink(*device);
    if (stable.empty()) {
        return std::nullopt;
    }
    return session::TPortDeviceEntry{port, std::move(stable)};
}

void TSerialForm::ApplyPortSettings() {
    serial::TVexaComPort& port = ComPort();
    const int portNumber = ListValue(*ComPortComboBox, "ComPort");
    // A port number means a different device on every machine: a failure to open the port
    // says which one was tried.
    const auto opening = [&port, portNumber](const auto& step) {
        // A network port waits for its server, seconds at worst: the cursor says so.
        const TWaitCursor busy;
        try {
            step();
        } catch (const std::exception& failure) {
            if (port.Open()) {
                throw;
            }
            serial::TPortMap& map = port.DeviceMap();
            const std::optional<std::string> device = map.DevicePath(portNumber);
            throw TDetailedFailure(
                failure.what(),
                device ? serial::OpenAttemptText(portNumber, device,
                                                 serial::FailureResultCode(failure), map)
                       : serial::NoDeviceForPortText(portNumber, map));
        }
    };
    // The port follows its number to the device the number means now; an open port closes and
    // opens that device.
    session::TLineSettings line = session::LineSettingsOf(port);
    line.Port = portNumber;
    // A closed port only keeps the settings, so only an open one can fail to open here.
    const auto apply = [&] { opening([&] { session::ApplyLineSettings(port, line); }); };
    // The settings are taken in list order; a list without a selection stops the apply there,
    // and what came before it still reaches the port.
    try {
        line.Baud = ListValue(*BaudRateComboBox, "BaudRate");
        // A parity without a selection (an index outside the list) leaves the port's as it is.
        if (const int parity = ParityComboBox->currentIndex(); parity >= 0) {
            line.Parity = static_cast<serial::TParity>(parity);
        }
        line.DataBits = ListValue(*DataBitsComboBox, "DataBits");
        line.StopBits = ListValue(*StopBitsComboBox, "StopBits");
    } catch (const std::exception&) {
        apply();
        throw;
    }
    apply();
    opening([this] { Session_.Link().AddLineTrigger(); });
}

// A list is left without a selection only by an index outside it in the settings file: the
// report names the file and the key, so that the user knows what to mend.
int TSerialForm::ListValue(const QComboBox& list, const char* key) const {
    try {
        return SelectedValue(list);
    } catch (const std::runtime_error& failure) {
        const std::string path = SettingsPath_.toStdString();
        const session::TPortSettingIndexes stored = session::LoadPortSettingIndexes(path);
        const std::map<std::string, int> indexes{{"ComPort", stored.ComPort},
                                                 {"BaudRate", stored.BaudRate},
                                                 {"DataBits", stored.DataBits},
                                                 {"StopBits", stored.StopBits}};
        throw TDetailedFailure(failure.what(), "in " + path + ": [ComPortSettings] " + key + "=" +
                                                   std::to_string(indexes.at(key)));
    }
}

void TSerialForm::OKBtnClick() {
    Guarded([this] {
        SavePortSettings();
        ApplyPortSettings();
    });
    accept();
}

void TSerialForm::CancelBtnClick() {
    Guarded([this] { LoadPortSettings(); });
    QDialog::reject();
}

void TSerialForm::reject() {
    CancelBtnClick();
}

void TSerialForm::showEvent(QShowEvent* event) {
    // Adapters come and go while the program runs.
    RefreshPortHints();
    QDialog::showEvent(event);
}

void TSerialForm::RefreshPortHints() {
    for (int index = 0; index < ComPortComboBox->count(); ++index) {
        ComPortComboBox->setItemData(
            index, PortDeviceHint(session::kPortEntries[index], ComPort().DeviceMap()),
            Qt::ToolTipRole);
    }
    ShowCurrentPortHint();
}

void TSerialForm::ShowCurrentPortHint() {
    const int index = ComPortComboBox->currentIndex();
    ComPortComboBox->setToolTip(
        index >= 0 ? ComPortComboBox->itemData(index, Qt::ToolTipRole).toString() : QString());
}

}  // namespace norvane::ui
