#pragma once
// The instrument at work: reads commands from the line, answers them one by one in the
// order they came, and shapes each reply's bytes as the delivery asks.

#include <string>

#include "sim/command_framer.h"
#include "sim/command_journal.h"
#include "sim/instrument.h"
#include "sim/paced_writer.h"
#include "sim/reply_delivery.h"
#include "sim/stop_signal.h"

namespace norvane::sim {

class TLineServer {
  public:
    // journal may be null. The instrument, journal and stop signal must outlive the server.
    TLineServer(int lineFd, TInstrument& instrument, TReplyDelivery delivery, TPreamble preamble,
                TCommandJournal* journal, TStopSignal& stop);

    // Serves until a stop signal or the hang-up incident. Throws when the line fails.
    void Run();

    // Run() ended with the planned hang-up.
    bool HungUp() const { return HungUp_; }

  private:
    // Each returns false once a stop signal has arrived or the line is to be hung up.
    bool ServeAvailableInput();
    bool Answer(const std::string& command);
    bool SendReply(const std::string& reply, std::chrono::milliseconds extraDelay);
    bool SendPreamble();

    int LineFd_;
    TInstrument& Instrument_;
    TReplyDelivery Delivery_;
    TPreamble Preamble_;
    bool PreambleSent_ = false;
    TCommandJournal* Journal_;
    TStopSignal& Stop_;
    TPacedWriter Writer_;
    TCommandFramer Framer_;
    std::size_t CommandsAnswered_ = 0;
    bool HungUp_ = false;
};

}  // namespace norvane::sim
