// The program's QApplication: an exception that escapes an event handler reaches the error
// report instead of ending the program. (Its own executable: a process has one
// QApplication, and this one must be ours.)

#include "app/guarded_application.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <stdexcept>

#include "tests/ui/modal_answer.h"

namespace norvane::app {
namespace {

class TFailingHandler : public QObject {
  public:
    int Handled = 0;

  protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw std::runtime_error("Handler failed");
        }
        ++Handled;
        return QObject::event(event);
    }
};

TEST(GuardedApplication, AnEscapingExceptionIsReportedAndTheProgramGoesOn) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "norvane";
    char* argv[] = {name, nullptr};
    TGuardedApplication application(argc, argv);

    TFailingHandler receiver;
    QString title;
    QString text;
    test::AnswerMessageBox(&title, &text);
    QEvent failing(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&receiver, &failing));
    EXPECT_EQ(title, "Norvane");
    EXPECT_EQ(text, "Handler failed.");

    QEvent later(QEvent::Type(QEvent::User + 1));
    QCoreApplication::sendEvent(&receiver, &later);
    EXPECT_EQ(receiver.Handled, 1) << "later events are delivered as before";
}

}  // namespace
}  // namespace norvane::app
