#include "ui/fixed_dialog.h"

#include <QStyle>
#include <algorithm>

namespace norvane::ui {

QFont ArialOfPixels(int pixels) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    return font;
}

namespace {

// The smallest font FitLabelToText shrinks a label's text to.
constexpr int kSmallestFontPixels = 8;

// `start` and `length` of a label span along one axis, grown to `needed`, anchored as its
// alignment says and kept within [0, room).
void GrowSpan(int& start, int& length, int needed, bool anchorStart, bool anchorEnd, int room) {
    if (needed <= length) {
        return;
    }
    const int extra = needed - length;
    if (anchorEnd && !anchorStart) {
        start -= extra;
    } else if (!anchorStart) {
        start -= extra / 2;
    }
    length = needed;
    if (start + length > room) {
        start = room - length;
    }
    if (start < 0) {
        start = 0;
        length = std::min(length, room);
    }
}

QSize TextSize(const QLabel& label) {
    // sizeHint() includes the label's margins, indent and frame.
    return label.sizeHint();
}

}  // namespace

void FitLabelToText(QLabel& label) {
    const QWidget* parent = label.parentWidget();
    const QSize room = parent != nullptr ? parent->size() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    while (TextSize(label).width() > room.width() &&
           label.font().pixelSize() > kSmallestFontPixels) {
        QFont smaller = label.font();
        smaller.setPixelSize(smaller.pixelSize() - 1);
        label.setFont(smaller);
    }
    const QSize needed = TextSize(label);
    const Qt::Alignment alignment = label.alignment();
    QRect bounds = label.geometry();
    int left = bounds.left();
    int width = bounds.width();
    GrowSpan(left, width, needed.width(), (alignment & Qt::AlignLeft) != 0,
             (alignment & Qt::AlignRight) != 0, room.width());
    int top = bounds.top();
    int height = bounds.height();
    GrowSpan(top, height, needed.height(), (alignment & Qt::AlignTop) != 0,
             (alignment & Qt::AlignBottom) != 0, room.height());
    label.setGeometry(left, top, width, height);
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
