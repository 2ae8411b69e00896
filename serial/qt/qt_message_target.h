#pragma once
// A message target on a Qt thread: the owning thread's event loop runs the handler.
//
// Senders on other threads never touch a Qt object. They queue the message in a queue of
// ours and wake the owning thread through an event counter (eventfd) that a socket notifier
// living on that thread watches; its activation, delivered by the event loop like any other
// event, runs the handlers. Qt's own cross-thread hand-over (posting events) would work as
// well, but its locking is invisible to the thread checker, which then reports every
// posted event as a race; with this hand-over all synchronisation is ours and checkable.
//
// Uses QtCore only. The owning thread needs a running Qt event loop (or calls to
// DeliverPending) for anything to be delivered.

#include <chrono>
#include <cstddef>
#include <memory>
#include <thread>

#include "serial/dispatch/message_queue.h"
#include "serial/dispatch/message_target.h"

class QSocketNotifier;

namespace norvane::serial {

class TQtMessageTarget final : public IMessageTarget {
  public:
    // The calling thread becomes the owner; it must be a thread with a Qt event dispatcher
    // (the GUI thread, or a QThread). handler must not be empty. Throws std::system_error if
    // the wake-up counter cannot be created.
    explicit TQtMessageTarget(TMessageHandler handler);
    // Owning thread. Sends not yet picked up are withdrawn (their senders return TimedOut);
    // posts not yet delivered are dropped. The caller must make sure no thread starts a new
    // Send or Post meanwhile.
    ~TQtMessageTarget() override;
    TQtMessageTarget(const TQtMessageTarget&) = delete;
    TQtMessageTarget& operator=(const TQtMessageTarget&) = delete;

    TSendResult Send(const TMessage& message, std::chrono::milliseconds timeout) override;
    void Post(const TMessage& message) override;
    bool PostJob(std::function<void()> job) override;
    bool OwnedByCallingThread() const override;

    // Pumps every event pending on the owning thread once, not only this target's: a GUI
    // thread that waits for workers must keep its windows alive. A request to quit the
    // application taken on the way is not acted on inside the pump; it is posted again once
    // the pump is done, so it ends the application's main loop from there instead of ending
    // whichever wait happened to be pumping.
    std::size_t DeliverPending() override;

  private:
    void WakeOwner();
    void DeliverQueued();

    const TMessageHandler Handler_;
    const std::thread::id Owner_;
    TMessageQueue Queue_;
    int WakeFd_ = -1;
    std::unique_ptr<QSocketNotifier> Notifier_;
    std::size_t Delivered_ = 0;
};

}  // namespace norvane::serial
