#include "serial/dispatch/pending_send.h"

#include <cerrno>
#include <ctime>
#include <system_error>

namespace norvane::serial {

namespace {

timespec DeadlineAfter(std::chrono::milliseconds timeout) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = timeout.count() < 0 ? 0 : timeout.count();
    now.tv_sec += static_cast<time_t>(ms / 1000);
    now.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (now.tv_nsec >= 1000000000L) {
        now.tv_sec += 1;
        now.tv_nsec -= 1000000000L;
    }
    return now;
}

}  // namespace

TPendingSend::TPendingSend(const TMessage& message) : Message_(message) {
    if (::sem_init(&Ended_, 0, 0) != 0) {
        throw std::system_error(errno, std::generic_category(), "sem_init");
    }
}

TPendingSend::~TPendingSend() {
    ::sem_destroy(&Ended_);
}

bool TPendingSend::Leave(TState to) {
    int queued = stQueued;
    return State_.compare_exchange_strong(queued, to, std::memory_order_acq_rel);
}

bool TPendingSend::TryStart() {
    return Leave(stRunning);
}

void TPendingSend::Finish(std::int32_t value) {
    Value_ = value;
    State_.store(stFinished, std::memory_order_release);
    ::sem_post(&Ended_);
}

void TPendingSend::Withdraw() {
    if (Leave(stWithdrawn)) {
        ::sem_post(&Ended_);
    }
}

// Waits for the post, until the deadline if one is given. False when the deadline passed.
bool TPendingSend::WaitForEnd(const timespec* deadline) {
    for (;;) {
        const int result = deadline != nullptr ? ::sem_clockwait(&Ended_, CLOCK_MONOTONIC, deadline)
                                               : ::sem_wait(&Ended_);
        if (result == 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;  // ETIMEDOUT; sem_wait fails for nothing else on a valid semaphore
        }
    }
}

TSendResult TPendingSend::Await(std::chrono::milliseconds timeout) {
    const timespec deadline = DeadlineAfter(timeout);
    if (!WaitForEnd(&deadline)) {
        if (Leave(stWithdrawn)) {
            return {TSendOutcome::TimedOut, 0};  // the handler never starts now
        }
        // The handler started in time (or the target withdrew the send): its end is posted.
        WaitForEnd(nullptr);
    }
    if (State_.load(std::memory_order_acquire) == stFinished) {
        return {TSendOutcome::Delivered, Value_};
    }
    return {TSendOutcome::TimedOut, 0};
}

}  // namespace norvane::serial
