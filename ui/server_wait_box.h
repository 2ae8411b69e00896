#pragma once
// What a user sees while a port opens and waits for its network server (connecting, the
// RFC 2217 negotiation, the confirmations), which may take seconds on a slow link or a
// server that never answers: after a moment a modal box says so and offers Cancel, which
// makes the wait give up (the open then fails as interrupted). The serial layer drives it
// between slices of its wait (the wait pump of serial/errors/application_hooks.h).
//
// While the box is up only it takes input, and socket notifiers are held back (a
// termination signal's pipe among them): nothing reaches the port in the middle of its
// open, yet the windows repaint. The box goes once the program is back in its event loop,
// not between the open's waits, so it does not flicker.
//
// One per program; user-interface thread only.

#include <QElapsedTimer>
#include <QProgressDialog>
#include <memory>

namespace norvane::ui {

class TServerWaitBox {
  public:
    // How long a wait runs before the box appears: a quick server shows nothing.
    static constexpr int kShowAfterMs = 400;

    // One slice of a wait (`waiting`), or its end. True: the user cancelled.
    bool Pump(bool waiting);

    // The box while it is shown, for tests; else null.
    QProgressDialog* Box() const { return Box_.get(); }

  private:
    void Show();
    void Dismiss();

    QElapsedTimer Waiting_;
    std::unique_ptr<QProgressDialog> Box_;
    bool Cancelled_ = false;
    unsigned Generation_ = 0;  // of the wait, so that a stale dismissal does nothing
};

// Installs one box as the serial layer's wait pump for this program; returns it.
TServerWaitBox& InstallServerWaitBox();

}  // namespace norvane::ui
