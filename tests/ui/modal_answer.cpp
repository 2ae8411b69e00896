#include "tests/ui/modal_answer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

namespace norvane::test {

void AnswerModal(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> answer) {
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout,
                     [poll, matches = std::move(matches), answer = std::move(answer)] {
                         QWidget* modal = QApplication::activeModalWidget();
                         if (modal == nullptr || !matches(modal)) {
                             return;
                         }
                         poll->stop();
                         poll->deleteLater();
                         answer(modal);
                     });
    poll->start(5);
}

void AnswerMessageBox(QString* title, QString* text, QMessageBox::StandardButton button) {
    AnswerModalOf<QMessageBox>([title, text, button](QMessageBox* box) {
        if (title != nullptr) {
            *title = box->windowTitle();
        }
        if (text != nullptr) {
            *text = box->text();
        }
        box->button(button)->click();
    });
}

}  // namespace norvane::test
