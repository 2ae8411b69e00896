#pragma once
// Writes to the line no faster than a serial line of the given speed would carry the
// bytes. Pacing is against a schedule, not per-byte sleeps: a late wake-up sends every byte
// that is due by then at once, so oversleeping does not add up over a long reply.

#include <chrono>
#include <string_view>

#include "sim/stop_signal.h"

namespace norvane::sim {

class TPacedWriter {
  public:
    // byteTime zero: no pacing.
    TPacedWriter(int fd, std::chrono::nanoseconds byteTime, TStopSignal& stop);

    // Returns false if a stop signal came before every byte was out. Throws on write errors.
    bool Write(std::string_view bytes);

  private:
    // All of bytes, now; waits while the line's buffer is full.
    bool WriteAll(std::string_view bytes);

    int Fd_;
    std::chrono::nanoseconds ByteTime_;
    TStopSignal& Stop_;
    TStopSignal::TClock::time_point LineFreeAt_;  // when the last paced byte has left
};

}  // namespace norvane::sim
