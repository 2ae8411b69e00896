#include "ui/about_form.h"

#include <QApplication>
#include <QKeyEvent>

#include "norvane_version.h"
#include "ui/dialog_placement.h"
#include "ui/error_report.h"
#include "ui/fixed_dialog.h"
#include "ui/key_sequence.h"

// Resources compiled into a static library are only linked in when something names them.
static void LoadPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace norvane::ui {

namespace {

QLabel* MakeLabel(const QString& text, const char* objectName, QWidget* parent,
                  const QRect& bounds) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setGeometry(bounds);
    return label;
}

}  // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    LoadPictureResources();
    setObjectName(QStringLiteral("AboutForm"));
    MakeFixedDialog(this, QStringLiteral("About Norvane..."), 407, 248, 13);

    LogoImage = new QSvgWidget(QStringLiteral(":/pictures/logo.svg"), this);
    LogoImage->setObjectName(QStringLiteral("LogoImage"));
    LogoImage->setGeometry(16, 16, 169, 217);

    InfoPanel = new QFrame(this);
    InfoPanel->setObjectName(QStringLiteral("InfoPanel"));
    InfoPanel->setFrameStyle(QFrame::NoFrame);
    InfoPanel->setGeometry(200, 16, 193, 217);

    ProductLabel =
        MakeLabel(QStringLiteral("Norvane"), "ProductLabel", InfoPanel, {40, 8, 112, 33});
    ProductLabel->setFont(ArialOfPixels(29));
    QPalette maroon = ProductLabel->palette();
    maroon.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    ProductLabel->setPalette(maroon);

    VersionLabel = MakeLabel(QStringLiteral("Version ") + QString::fromLatin1(kShortVersion),
                             "VersionLabel", InfoPanel, {68, 40, 56, 14});
    VersionLabel->setFont(ArialOfPixels(11));
    DateLabel = MakeLabel(QStringLiteral("05/Jun/07"), "DateLabel", InfoPanel, {73, 68, 47, 14});
    DateLabel->setFont(ArialOfPixels(11));

    OKBtn = MakeOkButton(this, InfoPanel, "OKBtn");
    OKBtn->setGeometry(59, 112, 75, 25);

    WebAddressLabel = MakeLabel(QStringLiteral("norvane.example"), "WebAddressLabel", InfoPanel,
                                {36, 196, 119, 16});
    for (QLabel* label : {ProductLabel, VersionLabel, DateLabel, WebAddressLabel}) {
        FitLabelToText(*label);
    }

    // Key preview: the focused control gets every key first, so watch it and the rest.
    installEventFilter(this);
    for (QWidget* control : findChildren<QWidget*>()) {
        control->installEventFilter(this);
    }
}

void TAboutForm::SetHiddenPictureHandler(std::function<void()> handler) {
    HiddenPictureHandler = std::move(handler);
}

void TAboutForm::ShowAbout() {
    ResetKeySequence();
    CentreOnScreen(*this);
    OKBtn->setFocus();
    exec();
}

void TAboutForm::FormKeyDown(int keyCode) {
    if (SequenceKeyDown(keyCode) && HiddenPictureHandler) {
        Guarded(HiddenPictureHandler);
    }
}

void TAboutForm::FormKeyUp(int keyCode) {
    SequenceKeyUp(keyCode);
}

// A key goes to the focused control and, when that ignores it, on to its parents; only the
// first of those deliveries may count, or one V would be typed several times.
QWidget* TAboutForm::KeyTarget() const {
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr && (focus == this || isAncestorOf(focus))
               ? focus
               : const_cast<TAboutForm*>(this);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || watched != KeyTarget()) {
        return false;
    }
    const int keyCode = KeyCodeOfQtKey(static_cast<QKeyEvent*>(event)->key());
    if (type == QEvent::KeyPress) {
        FormKeyDown(keyCode);
    } else {
        FormKeyUp(keyCode);
    }
    return false;
}

}  // namespace norvane::ui
