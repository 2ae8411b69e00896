#include "serial/linux/dispatcher_threads.h"

#include <pthread.h>

#include <string>

#include "serial/linux/posix_dispatcher.h"

namespace norvane::serial {

const char* WorkerName(TWorkerKind kind) {
    switch (kind) {
        case TWorkerKind::Com:
            return "com";
        case TWorkerKind::Dispatch:
            return "dispatch";
        case TWorkerKind::Output:
            return "output";
    }
    return "worker";
}

void TVexaDispatcherThread::Start() {
    Thread_ = std::thread([this] { Run(); });
}

void TVexaDispatcherThread::Join() {
    if (Thread_.joinable()) {
        Thread_.join();
    }
}

void TVexaDispatcherThread::Run() noexcept {
    Id_.store(std::this_thread::get_id());
    // Named so that ps, top and a debugger show which is which.
    ::pthread_setname_np(::pthread_self(), (std::string("serial-") + WorkerName(Kind_)).c_str());
    try {
        Execute();
    } catch (const std::exception& failure) {
        Dispatcher_.WorkerFailed(Kind_, failure.what());
    } catch (...) {
        Dispatcher_.WorkerFailed(Kind_, "an exception of unknown type");
    }
    Dispatcher_.ThreadExited(Kind_);
}

void TComThread::Execute() {
    TVexaPosixDispatcher& dispatcher = Dispatcher();
    dispatcher.WatchForHangUp();
    if (dispatcher.DeviceLost()) {
        dispatcher.FinishDeviceLoss();
    }
}

void TDispThread::Execute() {
    Dispatcher().RunDispatchCycles();
}

void TOutThread::Execute() {
    TVexaPosixDispatcher& dispatcher = Dispatcher();
    dispatcher.ThreadReady(Kind());
    while (!dispatcher.Halted()) {
        const TVexaPosixDispatcher::TDrainResult drained = dispatcher.DrainOutput();
        if (drained == TVexaPosixDispatcher::TDrainResult::Stopped || dispatcher.Halted()) {
            break;
        }
        dispatcher.WaitOutputEvent(drained == TVexaPosixDispatcher::TDrainResult::Blocked);
    }
}

}  // namespace norvane::serial
