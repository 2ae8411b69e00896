// TVexaPosixDispatcher: the kind of device, its threads and their life cycle. The thread
// loops are in dispatcher_threads.cpp.
#include "serial/linux/posix_dispatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "serial/dispatch/dispatcher_factory.h"
#include "serial/dispatch/notification_messages.h"
#include "serial/errors/application_hooks.h"
#include "serial/errors/error_codes.h"
#include "serial/errors/vexa_exception.h"
#include "serial/linux/network_address.h"
#include "serial/linux/network_device.h"
#include "serial/linux/posix_serial_device.h"

namespace norvane::serial {

namespace {

// Nice offsets for the seven steps idle, lowest, lower, normal, higher, highest, time
// critical.
constexpr std::array<int, 7> kNiceOffset{19, 10, 5, 0, -5, -10, -20};

int CurrentTid() {
    return static_cast<int>(::syscall(SYS_gettid));
}

}  // namespace

TVexaPosixDispatcher::TVexaPosixDispatcher(TVexaCustomComPort* owner)
    : TVexaBaseDispatcher(owner) {}

TVexaPosixDispatcher::~TVexaPosixDispatcher() {
    Shutdown();
    JoinWorkers();
    CloseWakeCounters();
    if (const std::optional<std::string> failure = TakeWorkerFailure()) {
        try {
            ReportException(EVexaException(*failure));
        } catch (...) {
        }
    }
}

// ---- Queries ----

bool TVexaPosixDispatcher::ThreadsStarted() const {
    std::lock_guard lock(ThreadMutex_);
    return Started_;
}

int TVexaPosixDispatcher::ActiveThreadCount() const {
    std::lock_guard lock(ThreadMutex_);
    return ActiveCount_;
}

bool TVexaPosixDispatcher::ThreadRunning(TWorkerKind kind) const {
    std::lock_guard lock(ThreadMutex_);
    return Worker(kind).Running;
}

std::optional<std::string> TVexaPosixDispatcher::TakeWorkerFailure() {
    std::lock_guard lock(ThreadMutex_);
    return std::exchange(WorkerFailure_, std::nullopt);
}

// ---- The device ----

std::unique_ptr<TLineDevice> TVexaPosixDispatcher::MakeDevice(const std::string& name) {
    if (IsNetworkDeviceName(name)) {
        return std::make_unique<TNetworkDevice>();
    }
    return std::make_unique<TPosixSerialDevice>();
}

// Output goes to the device from the thread that queued it while the device takes it at
// once: handing every command to the output thread cost a thread wake-up per command. What
// the device does not take waits for the output thread, which polls until it is writable.
void TVexaPosixDispatcher::OutputQueued() {
    if (ThreadsStarted() && DrainOutput() != TDrainResult::Blocked) {
        return;
    }
    Wake(OutWakeFd_);
}

// ---- Opening and closing ----

std::int32_t TVexaPosixDispatcher::OpenComHandle(const std::string& name, std::uint32_t,
                                                 std::uint32_t outSize) {
    if (!CreateWakeCounters()) {
        return -ecOutOfMemory;
    }
    return OpenDevice(name, outSize);
}

std::int32_t TVexaPosixDispatcher::CloseComHandle() {
    RequestStop();
    WaitForWorkers({TWorkerKind::Com, TWorkerKind::Output}, false);
    return CloseDevice();
}

bool TVexaPosixDispatcher::CreateWakeCounters() {
    bool created = true;
    for (int* fd : {&ComWakeFd_, &DispWakeFd_, &OutWakeFd_}) {
        if (*fd < 0) {
            *fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        }
        created = created && *fd >= 0;
    }
    return created;
}

void TVexaPosixDispatcher::CloseWakeCounters() {
    for (int* fd : {&ComWakeFd_, &DispWakeFd_, &OutWakeFd_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void TVexaPosixDispatcher::Wake(int fd) {
    if (fd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
    }
}

void TVexaPosixDispatcher::WakeWorkers() {
    for (const int fd : {ComWakeFd_, DispWakeFd_, OutWakeFd_}) {
        Wake(fd);
    }
}

void TVexaPosixDispatcher::ScanHandedBack() {
    Wake(DispWakeFd_);
}

// ---- Device loss ----

void TVexaPosixDispatcher::DeviceLostNoted() {
    WakeWorkers();
    std::lock_guard lock(ThreadMutex_);
    ThreadCv_.notify_all();
}

// On the com thread, once the loss is known: the output thread stops using the descriptor
// first, then it is closed and the owner told.
void TVexaPosixDispatcher::FinishDeviceLoss() {
    Wake(OutWakeFd_);
    WaitForWorkers({TWorkerKind::Output}, false);
    CloseDevice();
    DropQueuedOutput();
    if (!StopRequested_.load()) {
        PostToWindows(TMessage{MsgDeviceLost, static_cast<std::uint32_t>(LossCause()),
                               NotificationSecond(RegistryIndex(), 0)});
    }
}

// ---- Threads ----

std::optional<TWorkerKind> TVexaPosixDispatcher::CurrentWorker() const {
    std::lock_guard lock(ThreadMutex_);
    for (const TWorker& worker : Workers_) {
        if (worker.Thread && worker.Thread->IsCurrent()) {
            return worker.Thread->Kind();
        }
    }
    return std::nullopt;
}

void TVexaPosixDispatcher::StartThreads() {
    {
        std::lock_guard lock(ThreadMutex_);
        if (Started_) {
            throw std::runtime_error("Dispatcher already started");
        }
    }
    JoinWorkers();  // the ended threads of an earlier start
    {
        std::lock_guard lock(ThreadMutex_);
        Started_ = true;
        StopRequested_.store(false);
    }
    try {
        for (const TWorkerKind kind :
             {TWorkerKind::Com, TWorkerKind::Dispatch, TWorkerKind::Output}) {
            StartWorker(kind);
        }
    } catch (const std::system_error&) {
        StopThreads();
        throw;
    }
}

void TVexaPosixDispatcher::StartWorker(TWorkerKind kind) {
    std::unique_ptr<TVexaDispatcherThread> thread;
    switch (kind) {
        case TWorkerKind::Com:
            thread = std::make_unique<TComThread>(*this);
            break;
        case TWorkerKind::Dispatch:
            thread = std::make_unique<TDispThread>(*this);
            break;
        case TWorkerKind::Output:
            thread = std::make_unique<TOutThread>(*this);
            break;
    }
    TVexaDispatcherThread& started = *thread;
    {
        // Counted before it runs, so that a stop never misses a thread still starting.
        std::lock_guard lock(ThreadMutex_);
        TWorker& worker = Worker(kind);
        worker.Thread = std::move(thread);
        worker.Running = true;
        worker.Ready = false;
        ++ActiveCount_;
    }
    try {
        started.Start();
    } catch (const std::system_error&) {
        std::lock_guard lock(ThreadMutex_);
        Worker(kind).Running = false;
        Worker(kind).Thread.reset();
        if (--ActiveCount_ == 0) {
            Started_ = false;
        }
        throw;
    }
    std::unique_lock lock(ThreadMutex_);
    ThreadCv_.wait_for(lock, kThreadStartWait,
                       [&] { return Worker(kind).Ready || !Worker(kind).Running; });
}

void TVexaPosixDispatcher::ThreadReady(TWorkerKind kind) {
    const std::uint8_t base = ThreadPriorityBase();
    const bool rs485 = Rs485Mode();
    std::lock_guard lock(ThreadMutex_);
    TWorker& worker = Worker(kind);
    worker.Tid = CurrentTid();
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(worker.Tid));
    worker.StartNice = errno == 0 ? nice : 0;
    worker.Ready = true;
    ApplyPriority(worker, kind, base, rs485);
    ThreadCv_.notify_all();
}

void TVexaPosixDispatcher::ThreadExited(TWorkerKind kind) noexcept {
    bool release = false;
    {
        std::lock_guard lock(ThreadMutex_);
        Worker(kind).Running = false;
        Worker(kind).Tid = 0;
        release = kind == TWorkerKind::Dispatch && ClosePending();
        ThreadCv_.notify_all();
    }
    if (release) {
        // A close from inside a notification ends here: the notification is over, so the
        // buffers can go.
        try {
            ReleaseBuffers();
        } catch (...) {
        }
    }
    std::lock_guard lock(ThreadMutex_);
    if (--ActiveCount_ == 0) {
        Started_ = false;
    }
    ThreadCv_.notify_all();
}

void TVexaPosixDispatcher::WorkerFailed(TWorkerKind kind, const std::string& what) noexcept {
    try {
        std::lock_guard lock(ThreadMutex_);
        if (!WorkerFailure_) {
            WorkerFailure_ =
                std::string("The serial port's ") + WorkerName(kind) + " thread failed: " + what;
        }
    } catch (...) {
        // No memory for the text: the loss below still closes the port.
    }
    NoteDeviceLost(-ecInternal);
    if (kind == TWorkerKind::Com) {
        // The com thread finishes a loss; this one is it.
        try {
            FinishDeviceLoss();
        } catch (...) {
        }
    }
}

void TVexaPosixDispatcher::RequestStop() {
    {
        std::lock_guard lock(ThreadMutex_);
        if (!Started_) {
            return;
        }
        StopRequested_.store(true);
        ThreadCv_.notify_all();
    }
    WakeWorkers();
}

void TVexaPosixDispatcher::StopThreads() {
    RequestStop();
    const std::optional<TWorkerKind> current = CurrentWorker();
    WaitForWorkers({TWorkerKind::Com, TWorkerKind::Dispatch, TWorkerKind::Output},
                   !current.has_value());
    if (!current) {
        JoinWorkers();
    }
}

// Waits until the named threads (except the calling one) have ended. With pump, the
// attached windows' pending messages are delivered meanwhile, in short slices: the
// dispatch thread may be waiting for one of them.
void TVexaPosixDispatcher::WaitForWorkers(std::initializer_list<TWorkerKind> kinds, bool pump) {
    constexpr std::chrono::milliseconds kPumpSlice{10};
    std::unique_lock lock(ThreadMutex_);
    auto ended = [&] {
        for (const TWorkerKind kind : kinds) {
            const TWorker& worker = Worker(kind);
            if (worker.Running && !(worker.Thread && worker.Thread->IsCurrent())) {
                return false;
            }
        }
        return true;
    };
    while (!ended()) {
        if (!pump) {
            ThreadCv_.wait(lock, ended);
            break;
        }
        lock.unlock();
        DeliverPendingToWindows();
        lock.lock();
        ThreadCv_.wait_for(lock, kPumpSlice, ended);
    }
}

void TVexaPosixDispatcher::JoinWorkers() {
    std::lock_guard join(JoinMutex_);
    for (const TWorkerKind kind : {TWorkerKind::Com, TWorkerKind::Dispatch, TWorkerKind::Output}) {
        TVexaDispatcherThread* thread = nullptr;
        {
            std::lock_guard lock(ThreadMutex_);
            thread = Worker(kind).Thread.get();
        }
        if (thread != nullptr && thread->Joinable() && !thread->IsCurrent()) {
            thread->Join();
            std::lock_guard lock(ThreadMutex_);
            Worker(kind).Thread.reset();
        }
    }
}

void TVexaPosixDispatcher::ApplyThreadPriorities() {
    const std::uint8_t base = ThreadPriorityBase();
    const bool rs485 = Rs485Mode();
    std::lock_guard lock(ThreadMutex_);
    for (const TWorkerKind kind : {TWorkerKind::Com, TWorkerKind::Dispatch, TWorkerKind::Output}) {
        if (Worker(kind).Running && Worker(kind).Ready) {
            ApplyPriority(Worker(kind), kind, base, rs485);
        }
    }
}

// Called with the thread-state lock held. A refusal (raising without permission) leaves the
// thread as it is.
void TVexaPosixDispatcher::ApplyPriority(const TWorker& worker, TWorkerKind kind, std::uint8_t base,
                                         bool rs485) {
    if (worker.Tid == 0) {
        return;
    }
    const int step = base + (kind == TWorkerKind::Output && rs485 ? 4 : 3);
    const int offset = kNiceOffset[static_cast<std::size_t>(std::clamp(step, 0, 6))];
    const int nice = std::clamp(worker.StartNice + offset, -20, 19);
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(worker.Tid), nice);
}

// ---- Com and dispatch thread services ----

// Under the device lock, so that the descriptor cannot be closed and its number reused while
// it joins the set. Null when the device is closed already: a stop or a loss got there first.
std::unique_ptr<TDeviceEventWait> TVexaPosixDispatcher::WatchDevice(TDeviceEventWait::TWatch watch,
                                                                    int wakeFd) {
    return Device().Call(std::unique_ptr<TDeviceEventWait>(), [&](TLineDevice& device) {
        return std::make_unique<TDeviceEventWait>(device.Fd(), wakeFd, watch);
    });
}

// One wait of a thread that watches the device. A hang-up marks the device lost, and so does
// a wait that fails: it would leave the port deaf.
void TVexaPosixDispatcher::AwaitDeviceEvent(TDeviceEventWait& events,
                                            std::chrono::milliseconds limit) {
    try {
        if (events.Next(limit) == TDeviceEventWait::TEvent::HangUp) {
            NoteDeviceLost(ResultFromErrno(EIO, TIoDirection::Read));
        }
    } catch (const std::system_error& failure) {
        NoteDeviceLost(ResultFromErrno(failure.code().value()));
    }
}

// The com thread's loop: waits until the device hangs up or the threads stop.
void TVexaPosixDispatcher::WatchForHangUp() {
    const std::unique_ptr<TDeviceEventWait> events =
        WatchDevice(TDeviceEventWait::TWatch::HangUp, ComWakeFd_);
    ThreadReady(TWorkerKind::Com);
    while (events && !Halted()) {
        AwaitDeviceEvent(*events, std::chrono::milliseconds(-1));
    }
}

// The dispatch thread's loop: a cycle after each arrival, and after kDispatchTick without one
// (bytes a full ring left in the device, which report no new arrival). The thread waits on
// the device itself, so a reply wakes it directly. A hang-up it meets ends it as the com
// thread's does; the com thread, woken by the loss, closes the device.
void TVexaPosixDispatcher::RunDispatchCycles() {
    const std::unique_ptr<TDeviceEventWait> events =
        WatchDevice(TDeviceEventWait::TWatch::Arrivals, DispWakeFd_);
    ThreadReady(TWorkerKind::Dispatch);
    try {
        CycleUntilHalted(events.get());
    } catch (...) {
        EndScanRelay();  // no step of a relayed scan may run once this thread has gone
        throw;
    }
    EndScanRelay();
}

void TVexaPosixDispatcher::CycleUntilHalted(TDeviceEventWait* events) {
    while (events && !Halted()) {
        AwaitDeviceEvent(*events, kDispatchTick);
        if (Halted()) {
            break;
        }
        ProcessComEvent(kEventReceived);
        ProcessTimers();
        if (ClosePending()) {
            break;
        }
    }
}

// ---- Output thread services ----

// Writes chunk after chunk while the device takes them. The write happens under the output
// lock, so a flush or a writer never changes the ring under it; the device never blocks.
// The output thread, and the thread that queues output (OutputQueued).
TVexaPosixDispatcher::TDrainResult TVexaPosixDispatcher::DrainOutput() {
    for (;;) {
        if (Halted()) {
            return TDrainResult::Stopped;
        }
        std::lock_guard out(OutputLock());
        TOutputRing* const ring = OutputRing();
        if (ring == nullptr) {
            return TDrainResult::Empty;
        }
        const std::span<const std::uint8_t> chunk = ring->NextChunk();
        if (chunk.empty()) {
            return FlushDeviceOutput();
        }
        const int written = Device().Call(-EIO, [&](TLineDevice& device) {
            return device.Write(chunk.data(), static_cast<int>(chunk.size()));
        });
        if (written == 0) {
            return TDrainResult::Blocked;
        }
        if (written < 0 && IsDeviceGone(-written)) {
            NoteDeviceError(-written, TIoDirection::Write);
            return TDrainResult::Stopped;
        }
        // A write refused for another reason drops the chunk: retrying would refuse again.
        ring->Consume(written > 0 ? static_cast<std::uint32_t>(written)
                                  : static_cast<std::uint32_t>(chunk.size()));
    }
}

// Output a network device took but could not send yet still needs the output thread.
TVexaPosixDispatcher::TDrainResult TVexaPosixDispatcher::FlushDeviceOutput() {
    const int pending = Device().Call(0, [](TLineDevice& device) { return device.FlushPending(); });
    if (pending < 0 && IsDeviceGone(-pending)) {
        NoteDeviceError(-pending, TIoDirection::Write);
        return TDrainResult::Stopped;
    }
    return pending > 0 ? TDrainResult::Blocked : TDrainResult::Empty;
}

void TVexaPosixDispatcher::WaitOutputEvent(bool blocked) {
    pollfd fds[2] = {{OutWakeFd_, POLLIN, 0}, {blocked ? Device().Fd() : -1, POLLOUT, 0}};
    if (::poll(fds, 2, -1) > 0 && (fds[0].revents & POLLIN) != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t taken = ::read(OutWakeFd_, &count, sizeof count);
    }
}

std::unique_ptr<TVexaBaseDispatcher> CreatePlatformDispatcher(TVexaCustomComPort* owner) {
    return std::make_unique<TVexaPosixDispatcher>(owner);
}

}  // namespace norvane::serial
