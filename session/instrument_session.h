#pragma once
// The program's one conversation with the instrument: the serial port component, the
// protocol's 2000 ms time-out timer, the link that speaks the command protocol over them,
// and the download/upload procedures on top.
//
// The desktop program and the command line build exactly one of these at start-up and keep
// it until exit. The port starts with the program's built-in values (port 1, 9600 baud,
// 45000-byte buffers, tracing and logging off) and stays closed until something opens it
// (applying the port settings adds the line trigger, which opens it). The component's
// notifications reach the link through the running Qt event loop.
//
// User-interface thread only; a QCoreApplication must exist for the object's whole life.

#include <string>

#include "device/cell_transfer.h"
#include "device/instrument_link.h"
#include "serial/component/com_port.h"
#include "session/com_port_device_port.h"
#include "session/qt_link_host.h"
#include "session/transfer_recording.h"

namespace norvane::session {

class TInstrumentSession {
  public:
    TInstrumentSession();
    TInstrumentSession(const TInstrumentSession&) = delete;
    TInstrumentSession& operator=(const TInstrumentSession&) = delete;

    serial::TVexaComPort& ComPort() { return ComPort_; }
    device::TInstrumentLink& Link() { return Link_; }
    device::TCellTransfer& Transfer() { return Transfer_; }
    // What a field engineer asked to have recorded of the transfers; nothing by default.
    TTransferRecording& Recording() { return Recording_; }
    // After a transfer: "/dev/ttyUSB0 was disconnected" when the device went away under the
    // open port, else "". The transfer itself only saw that the replies stopped, which reads
    // the same as a dead instrument.
    std::string DisconnectionText() const;

  private:
    serial::TVexaComPort ComPort_;
    session::TComPortDevicePort DevicePort_;
    TQtLinkHost TimeOutTimer_;
    device::TInstrumentLink Link_;
    device::TCellTransfer Transfer_;
    TTransferRecording Recording_{ComPort_};
};

}  // namespace norvane::session
