#pragma once
// Ctrl-C during a transfer: the first one is handed to the event loop as an abort request,
// the second one ends the program at once (the default action, restored after the first).

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace norvane::cli {

class TInterruptWatch {
  public:
    // onInterrupt runs from the event loop after the first SIGINT. One watch at a time.
    explicit TInterruptWatch(std::function<void()> onInterrupt);
    ~TInterruptWatch();
    TInterruptWatch(const TInterruptWatch&) = delete;
    TInterruptWatch& operator=(const TInterruptWatch&) = delete;

  private:
    int Pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> Notifier_;
};

}  // namespace norvane::cli
