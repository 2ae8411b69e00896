#pragma once
// The three worker threads of an open port.
//
// Each thread belongs to one TVexaPosixDispatcher, which creates, starts and joins it. The
// threads are named "serial-com", "serial-dispatch" and "serial-output". The
// classes differ only in their main loop; the loops use the dispatcher's thread services
// (posix_dispatcher.h). Whatever way a loop ends, normally or by an exception, the thread
// tells its dispatcher through ThreadExited, so that a stop never waits for a thread that is
// gone. An exception that ends a thread is handed to the dispatcher (WorkerFailed), which
// treats the port as lost: see posix_dispatcher.h.

#include <atomic>
#include <thread>

namespace norvane::serial {

class TVexaPosixDispatcher;

enum class TWorkerKind : int { Com = 0, Dispatch = 1, Output = 2 };
inline constexpr int kWorkerKinds = 3;

const char* WorkerName(TWorkerKind kind);

class TVexaDispatcherThread {
  public:
    TVexaDispatcherThread(TVexaPosixDispatcher& dispatcher, TWorkerKind kind)
        : Dispatcher_(dispatcher), Kind_(kind) {}
    // The thread must have been joined (or never started).
    virtual ~TVexaDispatcherThread() = default;
    TVexaDispatcherThread(const TVexaDispatcherThread&) = delete;
    TVexaDispatcherThread& operator=(const TVexaDispatcherThread&) = delete;

    // Starts the thread. Throws std::system_error when the system has no thread to give.
    void Start();
    // Waits for the thread's end. Not from the thread itself.
    void Join();
    bool Joinable() const { return Thread_.joinable(); }
    // Whether the calling thread is this one. Any thread.
    bool IsCurrent() const { return Id_.load() == std::this_thread::get_id(); }
    TWorkerKind Kind() const { return Kind_; }

  protected:
    virtual void Execute() = 0;
    TVexaPosixDispatcher& Dispatcher() { return Dispatcher_; }

  private:
    void Run() noexcept;

    TVexaPosixDispatcher& Dispatcher_;
    const TWorkerKind Kind_;
    std::thread Thread_;
    std::atomic<std::thread::id> Id_{};
};

// Watches the device for a hang-up; closes the device when it goes away, whichever thread
// noticed.
class TComThread final : public TVexaDispatcherThread {
  public:
    explicit TComThread(TVexaPosixDispatcher& dispatcher)
        : TVexaDispatcherThread(dispatcher, TWorkerKind::Com) {}

  protected:
    void Execute() override;
};

// Waits on the device for arrivals and runs the dispatch cycle after each one and every 50 ms
// without one.
class TDispThread final : public TVexaDispatcherThread {
  public:
    explicit TDispThread(TVexaPosixDispatcher& dispatcher)
        : TVexaDispatcherThread(dispatcher, TWorkerKind::Dispatch) {}

  protected:
    void Execute() override;
};

// Writes the output ring to the device.
class TOutThread final : public TVexaDispatcherThread {
  public:
    explicit TOutThread(TVexaPosixDispatcher& dispatcher)
        : TVexaDispatcherThread(dispatcher, TWorkerKind::Output) {}

  protected:
    void Execute() override;
};

}  // namespace norvane::serial
