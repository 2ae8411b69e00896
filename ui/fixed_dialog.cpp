#include "ui/fixed_dialog.h"

#include <QStyle>

namespace norvane::ui {

QFont ArialOfPixels(int pixels) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    return font;
}

void MakeFixedDialog(QDialog* dialog, const QString& title, int clientWidth, int clientHeight,
                     int fontPixels) {
    dialog->setWindowFlags(kFixedDialogFlags);
    dialog->setWindowTitle(title);
    dialog->setFixedSize(clientWidth, clientHeight);
    dialog->setFont(ArialOfPixels(fontPixels));
}

QPushButton* MakeOkButton(QDialog* dialog, QWidget* parent, const char* objectName) {
    auto* button = new QPushButton(dialog->style()->standardIcon(QStyle::SP_DialogOkButton),
                                   QStringLiteral("OK"), parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setDefault(true);
    QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::accept);
    return button;
}

}  // namespace norvane::ui
