#include "ui/file_display.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>
#include <utility>

namespace norvane::ui {

TFileDisplay::TFileDisplay(QString noFileText, QWidget* parent)
    : QLabel(noFileText, parent), NoFileText_(std::move(noFileText)) {}

QString TFileDisplay::DisplayedText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

QString TFileDisplay::ToolTipText() const {
    if (text() == NoFileText_ || text().isEmpty()) {
        return toolTip();
    }
    return toolTip().isEmpty() ? text() : toolTip() + u'\n' + text();
}

bool TFileDisplay::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), ToolTipText(), this);
        return true;
    }
    return QLabel::event(event);
}

void TFileDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(),
                          DisplayedText(), foregroundRole());
}

}  // namespace norvane::ui
