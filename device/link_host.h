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
};

}  // namespace norvane::device
