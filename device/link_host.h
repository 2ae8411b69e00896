#pragma once
// What the instrument conversation needs of the program that hosts it: a one-shot
// time-out timer and a way to wait for events.

namespace norvane::device {

class ILinkHost {
  public:
    virtual ~ILinkHost() = default;

    // The 2000 ms time-out timer. Switching it on while it is off starts a full interval;
    // switching it on while it runs changes nothing. On expiry the host calls
    // TInstrumentLink::TimeOutTimerTimer() from its event pump.
    virtual void SetTimeOutTimer(bool on) = 0;

    // Delivers the pending events of the conversation's thread (serial notifications, the
    // timer, user input) in the order in which they occurred. When nothing is pending it
    // may block until something is: the running time-out timer guarantees an event within
    // its interval, so a wait here never hangs and costs no CPU while the line is silent.
    virtual void PumpEvents() = 0;

    // Delivers the events already pending, in the same order, and returns without waiting
    // for more. Lets work that is not waiting for the instrument (counting an upload file's
    // lines) still see the user's Abort. A host that can only deliver by waiting keeps this
    // default, which delivers nothing: an Abort then takes effect at the next command.
    virtual void PumpPendingEvents() {}
};

}  // namespace norvane::device
