#pragma once
// Answering modal dialogs and message boxes from a test.
//
// A modal exec() runs its own event loop, so the test arranges the answer before it
// triggers the dialog: the answer runs from that loop as soon as a matching modal widget
// is the active one.

#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <functional>

namespace norvane::test {

// Calls answer(widget) once, for the first active modal widget for which matches(widget)
// holds. Checks every 5 ms of the event loop; the pending answer lives until it fired.
void AnswerModal(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> answer);

// The next message box: records its title and text (when given pointers) and presses
// `button`.
void AnswerMessageBox(QString* title, QString* text,
                      QMessageBox::StandardButton button = QMessageBox::Ok);

// The next modal widget of type T.
template <class T>
void AnswerModalOf(std::function<void(T*)> answer) {
    AnswerModal(
        [](QWidget* widget) { return qobject_cast<T*>(widget) != nullptr; },
        [answer = std::move(answer)](QWidget* widget) { answer(qobject_cast<T*>(widget)); });
}

}  // namespace norvane::test
