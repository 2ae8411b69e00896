#include "serial/qt/qt_message_target.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace norvane::serial {

namespace {

// Installed on the application while DeliverPending pumps: swallows the quit request and
// remembers it, so that it can be posted again after the pump.
class TQuitDeferral final : public QObject {
  public:
    bool Taken() const { return Taken_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
            Taken_ = true;
            return true;
        }
        return false;
    }

  private:
    bool Taken_ = false;
};

}  // namespace

TQtMessageTarget::TQtMessageTarget(TMessageHandler handler)
    : Handler_(std::move(handler)), Owner_(std::this_thread::get_id()) {
    if (!Handler_) {
        throw std::invalid_argument("TQtMessageTarget needs a handler");
    }
    WakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (WakeFd_ < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    Notifier_ = std::make_unique<QSocketNotifier>(WakeFd_, QSocketNotifier::Read);
    QObject::connect(Notifier_.get(), &QSocketNotifier::activated, Notifier_.get(),
                     [this] { DeliverQueued(); });
}

TQtMessageTarget::~TQtMessageTarget() {
    Notifier_.reset();
    close(WakeFd_);
}

TSendResult TQtMessageTarget::Send(const TMessage& message, std::chrono::milliseconds timeout) {
    if (OwnedByCallingThread()) {
        return {TSendOutcome::Delivered, TMessageQueue::Invoke(Handler_, message)};
    }
    auto send = Queue_.PushSend(message);
    WakeOwner();
    return send->Await(timeout);
}

void TQtMessageTarget::Post(const TMessage& message) {
    Queue_.PushPost(message);
    WakeOwner();
}

bool TQtMessageTarget::PostJob(std::function<void()> job) {
    Queue_.PushJob(std::move(job));
    WakeOwner();
    return true;
}

bool TQtMessageTarget::OwnedByCallingThread() const {
    return std::this_thread::get_id() == Owner_;
}

void TQtMessageTarget::WakeOwner() {
    const std::uint64_t one = 1;
    // Only fails when the counter is about to overflow, and then the owner is due anyway.
    [[maybe_unused]] const auto written = write(WakeFd_, &one, sizeof one);
}

// Runs on the owning thread when the wake-up counter is readable.
void TQtMessageTarget::DeliverQueued() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(WakeFd_, &count, sizeof count);
    for (const TMessageQueue::TEntry& entry : Queue_.TakeAll()) {
        if (TMessageQueue::Deliver(entry, Handler_)) {
            ++Delivered_;
        }
    }
}

std::size_t TQtMessageTarget::DeliverPending() {
    const std::size_t before = Delivered_;
    QCoreApplication* application = QCoreApplication::instance();
    TQuitDeferral deferral;
    if (application != nullptr) {
        application->installEventFilter(&deferral);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (application != nullptr) {
        application->removeEventFilter(&deferral);
        if (deferral.Taken()) {
            QCoreApplication::postEvent(application, new QEvent(QEvent::Quit));
        }
    }
    return Delivered_ - before;
}

}  // namespace norvane::serial
