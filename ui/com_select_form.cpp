#include "ui/com_select_form.h"

#include <QFont>
#include <QLabel>

#include "serial/ports/port_availability.h"
#include "ui/dialog_placement.h"
#include "ui/fixed_dialog.h"
#include "ui/port_device_hint.h"

namespace norvane::ui {

namespace {

constexpr QSize kClientSize{220, 131};
constexpr QSize kButtonSize{75, 25};
// "COM" before the number.
constexpr int kNumberStart = 3;

}  // namespace

TComSelectForm::TComSelectForm(const serial::TPortMap& map, QWidget* parent) : QDialog(parent) {
    setObjectName("ComSelectForm");
    // The two lines of the panel need the smaller dialog font to fit the narrow window.
    MakeFixedDialog(this, "Select Port", kClientSize.width(), kClientSize.height(), 11);
    // Unlike the program's other dialogs this one keeps its close box (closing = no choice).
    setWindowFlag(Qt::WindowCloseButtonHint);

    Panel = new QFrame(this);
    Panel->setObjectName("Panel");
    Panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel->setGeometry(6, 8, 208, 46);
    int lineTop = 7;
    for (const char* line :
         {"The configured serial port is not valid.", "Please choose another port."}) {
        auto* label = new QLabel(line, Panel);
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(2, lineTop, 204, 15);
        FitLabelToText(*label);
        lineTop += 16;
    }

    PortComboBox = new QComboBox(this);
    PortComboBox->setObjectName("PortComboBox");
    PortComboBox->setEditable(false);
    PortComboBox->setGeometry(60, 64, 100, 21);
    ListAvailablePorts(map);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setGeometry(QRect({24, 96}, kButtonSize));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setGeometry(QRect({121, 96}, kButtonSize));

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(kAbortResult); });
    CentreOnScreen(*this);
}

void TComSelectForm::ListAvailablePorts(const serial::TPortMap& map) {
    for (const int port : serial::AvailablePorts(kHighestPort, map)) {
        PortComboBox->addItem(QStringLiteral("COM%1").arg(port));
        PortComboBox->setItemData(PortComboBox->count() - 1, PortDeviceHint(port, map),
                                  Qt::ToolTipRole);
    }
    PortComboBox->setCurrentIndex(PortComboBox->count() > 0 ? 0 : -1);
}

std::optional<int> TComSelectForm::ChosenPort() const {
    bool ok = false;
    const int port = PortComboBox->currentText().mid(kNumberStart).toInt(&ok);
    return ok ? std::optional<int>(port) : std::nullopt;
}

std::optional<int> PromptForPort() {
    TComSelectForm form;
    if (form.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return form.ChosenPort();
}

}  // namespace norvane::ui
