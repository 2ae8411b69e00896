#pragma once
// TVexaPosixDispatcher: the dispatcher over a Linux serial device.
//
// It plays the role of the platform's native serial driver (the device layer stays dlWin32,
// which on Linux means exactly this): it gives the base a TPosixSerialDevice for a tty, or a
// TNetworkDevice for a serial device server's rfc2217:// or socket:// name (both TLineDevice,
// the seam the base calls), and runs the three worker threads of an open port
// (dispatcher_threads.h):
// - the com thread waits for the device to hang up and on a wake-up counter (an eventfd;
//   writing it plays the part of setting the device's event mask to 0), and finishes a loss,
//   whichever thread met it. Arrivals do not wake it: handing each one to the dispatch
//   thread cost a thread wake-up per reply and carried nothing the dispatch thread cannot
//   see itself;
// - the dispatch thread waits on the device for arrivals (device_event_wait.h) and on a
//   wake-up counter of its own, runs ProcessComEvent after each arrival and every 50 ms
//   without one, and so delivers every notification. While it is inside a notification,
//   the com thread still notices a hang-up;
// - the output thread writes the output ring (output_ring.h) to the device, one
//   contiguous chunk per write, and waits in poll() while the device takes nothing. Output
//   the device takes at once goes out from the thread that queued it, without waking the
//   output thread; the output thread writes the rest once the device is writable.
//
// Use (user-interface thread): construct, AttachWindow, OpenComPort (base) with a device
// path from PortMap(), then the base's operations; CloseComPort or the destructor closes.
// IsPortAvailable-style probes may call OpenComHandle and CloseComHandle alone.
//
// A device that goes away. An unplugged adapter hangs its tty up: poll() reports POLLHUP or
// POLLERR, reads return nothing and writes fail with EIO. Whichever thread meets one of
// these marks the device lost (NoteDeviceLost of the base); the com thread then closes the
// descriptor at once (so the node is free for the adapter to come back under its old name),
// the three threads end without waiting for anything, pending output is dropped and further
// output is accepted and dropped, the way a line without a listener takes it. Received bytes
// already in the ring stay readable. DeviceLost() becomes true, and every attached window is posted
// MsgDeviceLost (notification_messages.h) with the cause: its owner closes the port, and
// the next open starts afresh with a new dispatcher.
//
// A worker thread ended by an exception. The port cannot work without all three threads,
// so it is lost the same way, with the cause -ecInternal; TakeWorkerFailure gives the
// failure's text for the owner to report on its own thread. A failure nobody took is
// reported through the application's exception report when the dispatcher is destroyed.
//
// Stopping. CloseComPort (base) tells the threads to stop and closes the device once the
// com and output threads have ended (the dispatch thread may be inside a notification, and
// its wait on the device is one that a close cannot confuse, device_event_wait.h); ReleaseBuffers
// then waits for the threads and joins them. While it waits, the calling thread delivers what is
// pending for the attached windows (DeliverPendingToWindows), so a notification the dispatch thread
// is sending at that moment still arrives and the dispatch thread can finish. No dispatcher lock is
// held during any wait. A close from inside a notification completes on the dispatch thread as it
// ends (ThreadsStarted() turns false when all three have ended).
//
// Locks: those of the base (input, output, data, device, in that order), then the
// thread-state lock innermost.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "serial/dispatch/base_dispatcher.h"
#include "serial/dispatch/line_device.h"
#include "serial/linux/device_event_wait.h"
#include "serial/linux/dispatcher_threads.h"

namespace norvane::serial {

class TVexaPosixDispatcher : public TVexaBaseDispatcher {
  public:
    // The receive-character event, the only one a tty's poll() reports.
    static constexpr std::uint32_t kEventReceived = 0x0001;
    // How long the dispatch thread waits for an arrival before it runs the cycle anyway.
    static constexpr std::chrono::milliseconds kDispatchTick{50};
    // How long StartThreads waits for each thread to report that it runs.
    static constexpr std::chrono::milliseconds kThreadStartWait{3000};

    explicit TVexaPosixDispatcher(TVexaCustomComPort* owner);
    // Closes the port if open (see the class comment) and joins the threads, then reports a
    // worker failure nobody took (ReportException). Not from a worker thread of this
    // dispatcher.
    ~TVexaPosixDispatcher() override;

    // The threads have been started and not all of them have ended. Any thread.
    bool ThreadsStarted() const override;
    // Worker threads still running. Any thread.
    int ActiveThreadCount() const;
    bool ThreadRunning(TWorkerKind kind) const;
    std::optional<std::string> TakeWorkerFailure() override;

    // ---- The driver's part (TVexaBaseDispatcher) ----

    // Opens name (a device path, or a network device's rfc2217:// or socket:// address,
    // which connects within a few seconds) exclusively; creates the output ring of outSize
    // bytes and the wake-up counters. The descriptor, or the open's error mapped by
    // ResultFromErrno (EBUSY for a device another program holds becomes -ecAccessDenied), or
    // -ecOutOfMemory when no wake-up counter can be had.
    std::int32_t OpenComHandle(const std::string& name, std::uint32_t inSize,
                               std::uint32_t outSize) override;
    // Tells the threads to stop, waits until the com and output threads have ended (they
    // never wait for the user-interface thread; the dispatch thread may, and its wait on the
    // descriptor survives the close, device_event_wait.h), restores the device's settings
    // and closes it. 0, or the close's error.
    std::int32_t CloseComHandle() override;
    // Starts the com, dispatch and output threads, waiting up to kThreadStartWait for each
    // to run. Throws std::runtime_error("Dispatcher already started") when they run
    // already, std::system_error when a thread cannot be created (what was started is
    // stopped again).
    void StartThreads() override;
    // Tells the threads to stop and waits for them; see the class comment. From a worker
    // thread (the dispatch thread completing a close) it waits only for the others and
    // joins nothing.
    void StopThreads() override;

  protected:
    // A TNetworkDevice for rfc2217:// and socket:// names, a TPosixSerialDevice for the
    // rest.
    std::unique_ptr<TLineDevice> MakeDevice(const std::string& name) override;
    // Writes what the device takes now; wakes the output thread for the rest.
    void OutputQueued() override;
    // Wakes every thread, so that the com thread finishes the loss.
    void DeviceLostNoted() override;
    // Wakes the dispatch thread, which takes the scan back.
    void ScanHandedBack() override;
    // Nice values per thread, relative to the nice the thread started with.
    void ApplyThreadPriorities() override;

  private:
    friend class TComThread;
    friend class TDispThread;
    friend class TOutThread;
    friend class TVexaDispatcherThread;

    enum class TDrainResult { Empty, Blocked, Stopped };
    struct TWorker {
        std::unique_ptr<TVexaDispatcherThread> Thread;
        bool Running = false;
        bool Ready = false;
        int Tid = 0;
        int StartNice = 0;
    };

    // ---- Thread services (dispatcher_threads.cpp calls these) ----
    void ThreadReady(TWorkerKind kind);
    void ThreadExited(TWorkerKind kind) noexcept;
    // On a worker thread that an exception is ending.
    void WorkerFailed(TWorkerKind kind, const std::string& what) noexcept;
    bool Halted() const { return StopRequested_.load() || DeviceLost(); }
    // Com or dispatch thread: a wait on the open device for `watch`, woken through wakeFd;
    // null when the device is no longer open. Throws std::system_error as TDeviceEventWait.
    std::unique_ptr<TDeviceEventWait> WatchDevice(TDeviceEventWait::TWatch watch, int wakeFd);
    void AwaitDeviceEvent(TDeviceEventWait& events, std::chrono::milliseconds limit);
    // Com thread.
    void WatchForHangUp();
    void FinishDeviceLoss();
    // Dispatch thread.
    void RunDispatchCycles();
    void CycleUntilHalted(TDeviceEventWait* events);
    // Output thread.
    TDrainResult DrainOutput();
    TDrainResult FlushDeviceOutput();
    void WaitOutputEvent(bool blocked);

    // ---- Internals ----
    void RequestStop();
    void Wake(int fd);
    // Stopping and a loss: every thread leaves its wait.
    void WakeWorkers();
    bool CreateWakeCounters();
    void CloseWakeCounters();
    std::optional<TWorkerKind> CurrentWorker() const;
    void StartWorker(TWorkerKind kind);
    void WaitForWorkers(std::initializer_list<TWorkerKind> kinds, bool pump);
    void JoinWorkers();
    void ApplyPriority(const TWorker& worker, TWorkerKind kind, std::uint8_t base, bool rs485);
    TWorker& Worker(TWorkerKind kind) { return Workers_[static_cast<int>(kind)]; }
    const TWorker& Worker(TWorkerKind kind) const { return Workers_[static_cast<int>(kind)]; }

    // Thread-state lock.
    mutable std::mutex ThreadMutex_;
    std::condition_variable ThreadCv_;
    std::array<TWorker, kWorkerKinds> Workers_;
    int ActiveCount_ = 0;
    bool Started_ = false;

    // Only the user-interface thread joins; workers never take this.
    std::mutex JoinMutex_;

    std::atomic<bool> StopRequested_{false};
    // Thread-state lock.
    std::optional<std::string> WorkerFailure_;

    // Wake-up counters of the com, dispatch and output threads: created by the first
    // OpenComHandle, closed by the destructor, after the last thread that could write them
    // is joined. Each thread has its own: a wait consumes the wake-up it sees.
    int ComWakeFd_ = -1;
    int DispWakeFd_ = -1;
    int OutWakeFd_ = -1;
};

}  // namespace norvane::serial
