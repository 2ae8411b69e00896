#pragma once
// The program's QApplication. Qt must not see an exception leave an event handler (it
// cannot unwind through its event loop), and every handler of the program runs its body
// inside ui::Guarded; notify() is the last line of defence for anything that still
// escapes: the application's error report shows it, and the program goes on.

#include <QApplication>

namespace norvane::app {

class TGuardedApplication : public QApplication {
  public:
    // argc and argv must outlive the object (QApplication keeps them).
    TGuardedApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace norvane::app
