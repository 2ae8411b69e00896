#pragma once
// A message target: the receiving end of notifications, owned by one thread.
//
// The dispatcher's worker threads never call into the user-interface objects directly.
// They hand a message to a target, and the target's owning thread runs the target's handler
// for it. A send blocks the sending thread until the handler has run, so the order in which
// a dispatcher sends its notifications is the order in which the handlers see them, and a
// handler can read the bytes a notification offers before the dispatcher moves on.
//
// Implementations: TPlainMessageTarget (a queue of its own, pumped by the owning thread
// through DeliverPending) and TQtMessageTarget (the owning thread's Qt event loop).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace norvane::serial {

// One message: its number and two parameters. For the dispatcher's notifications First is
// the byte count or trigger handle, and Second carries the dispatcher's registry index in
// its high 16 bits and a value in its low 16 bits.
struct TMessage {
    std::uint32_t Id = 0;
    std::uint32_t First = 0;
    std::int32_t Second = 0;

    bool operator==(const TMessage&) const = default;
};

// Runs on the target's owning thread. Its result is handed back to the sender. It must not
// throw: a sender may be blocked on it, and no thread could tell that sender the outcome.
// Targets call it from a noexcept frame, so an escaping exception ends the program at once
// instead of leaving a worker thread blocked forever.
using TMessageHandler = std::function<std::int32_t(const TMessage&)>;

enum class TSendOutcome {
    Delivered,  // the handler ran to its end; Value holds its result
    TimedOut,   // the owning thread did not pick the message up in time; the handler never
                // ran and never will for this send
};

struct TSendResult {
    TSendOutcome Outcome = TSendOutcome::TimedOut;
    std::int32_t Value = 0;

    bool Delivered() const { return Outcome == TSendOutcome::Delivered; }
};

class IMessageTarget {
  public:
    virtual ~IMessageTarget() = default;

    // Delivers message to the handler on the owning thread and waits for it. Any thread.
    //
    // Called on the owning thread itself, the handler runs at once, inside this call.
    // From another thread the message is queued for the owning thread and the caller blocks.
    // If the owning thread has not started the handler within `timeout`, the send is
    // withdrawn: the result is TimedOut and the handler will not run for it later, so a
    // sender that has given up is never answered against state it has since changed. Once
    // the handler has started, the sender waits for it to finish however long it takes:
    // leaving a running handler behind would let the sender act on a half-handled message.
    virtual TSendResult Send(const TMessage& message, std::chrono::milliseconds timeout) = 0;

    // Queues message for the owning thread and returns at once. Any thread. Posted and sent
    // messages are delivered in the order they were queued.
    virtual void Post(const TMessage& message) = 0;

    // Queues job to run on the owning thread, in order with the messages, and returns at
    // once. Any thread, the owning one included: a job posted from a job runs at a later
    // delivery, so the owning thread's event loop turns in between. A target that goes away
    // first destroys its queued jobs unrun. False, without queuing, from a target that runs
    // no jobs. Base: runs none.
    virtual bool PostJob(std::function<void()> /*job*/) { return false; }
    // Whether the calling thread owns this target. Any thread. Base: no.
    virtual bool OwnedByCallingThread() const { return false; }

    // Owning thread only: delivers what is waiting now (messages queued while this runs wait
    // for the next call) and returns how many of this target's messages were delivered.
    // Implementations that live in a wider event loop pump that loop's pending events too;
    // they say so, and what they do with a request to quit the loop met on the way.
    virtual std::size_t DeliverPending() = 0;
};

}  // namespace norvane::serial
