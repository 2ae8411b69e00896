#pragma once
// The recording a field engineer asks for: the port component's trace (every byte sent and
// received) and dispatch log, switched on for the transfers and written when each one ends,
// whatever its outcome, so that a misbehaving line can be sent in and read.
//
// The command line takes the request from its options, the desktop program from the
// "Diagnostics" section of its settings file, which only the user writes.
//
// User-interface thread only, like the port component.

#include <cstdint>
#include <string>
#include <vector>

#include "serial/component/com_port.h"

namespace norvane::session {

struct TRecordingRequest {
    std::string TraceFile;            // "" records no trace
    std::string LogFile;              // "" records no log
    std::uint32_t TraceSize = 10000;  // entries: bytes sent or received
    std::uint32_t LogSize = 10000;    // bytes of log entries
};

// The "Diagnostics" section of the settings file at path: keys "Trace", "Log" (file names;
// a relative one counts from the settings file's folder), "TraceSize" and "LogSize" (a
// missing, non-numeric or non-positive size means 10000). A missing file or section asks
// for nothing.
TRecordingRequest LoadRecordingRequest(const std::string& path);

class TTransferRecording {
  public:
    // The port must outlive this object.
    explicit TTransferRecording(serial::TVexaComPort& port) : Port_(port) {}

    void SetRequest(const TRecordingRequest& request) { Request_ = request; }
    const TRecordingRequest& Request() const { return Request_; }

    // Switches on what the request names, unless it is on already. On a closed port the
    // recording starts when the port opens. Call before each transfer.
    void Arm();

    // Writes what was recorded to the requested files (a trace or log holding nothing writes
    // no file) and switches the recording off until the next Arm. Returns one message per
    // file that could not be written, naming it; never throws, so that a recording cannot
    // hide the transfer's own outcome. A port that closed on its own (a device lost) has
    // written its files while closing.
    std::vector<std::string> Finish();

  private:
    serial::TVexaComPort& Port_;
    TRecordingRequest Request_;
    std::vector<std::string> Refused_;
};

}  // namespace norvane::session
