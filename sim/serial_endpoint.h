#pragma once
// The instrument's end of the serial line: a new pseudo-terminal, or a tty we are given.
// Either way the line is raw (no echo, no line editing, no CR/LF translation) and the
// descriptor we talk through is non-blocking, so a stuck reader on the other side can
// never freeze us past a stop signal.

#include <string>

#include "sim/file_descriptor.h"

namespace norvane::sim {

class TSerialEndpoint {
  public:
    // Opens a pseudo-terminal. ClientPath() is the slave that the computer opens. We keep the
    // slave open ourselves: without that, every time no client has it open the master reads
    // EIO and polls POLLHUP, and the line's settings fall back to cooked mode.
    static TSerialEndpoint OpenPseudoTerminal();

    // Opens an existing tty, e.g. one end of a null-modem cable.
    static TSerialEndpoint OpenDevice(const std::string& path);

    // The descriptor we read commands from and write replies to.
    int Fd() const { return Line_.Get(); }

    // What the computer opens to talk to us.
    const std::string& ClientPath() const { return ClientPath_; }

  private:
    TSerialEndpoint(TFileDescriptor line, TFileDescriptor heldClient, std::string clientPath);

    TFileDescriptor Line_;
    TFileDescriptor HeldClient_;  // pseudo-terminal only
    std::string ClientPath_;
};

}  // namespace norvane::sim
