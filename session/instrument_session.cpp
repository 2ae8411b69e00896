#include "session/instrument_session.h"

#include <memory>

#include "serial/qt/qt_message_target.h"
#include "session/line_settings.h"

namespace norvane::session {

namespace {

void LoadBuiltInPortValues(serial::TVexaComPort& port) {
    port.SetWindowFactory([](serial::TMessageHandler handler) {
        return std::make_unique<serial::TQtMessageTarget>(std::move(handler));
    });
    port.BeginLoad();
    ApplyLineSettings(port, TLineSettings{});
    port.SetInSize(45000);
    port.SetOutSize(45000);
    port.SetTraceName("VEXA.TRC");
    port.SetLogName("VEXA.LOG");
    port.EndLoad();
}

}  // namespace

TInstrumentSession::TInstrumentSession()
    : DevicePort_(ComPort_),
      TimeOutTimer_([this] { Link_.TimeOutTimerTimer(); }),
      Link_(DevicePort_, TimeOutTimer_),
      Transfer_(Link_) {
    LoadBuiltInPortValues(ComPort_);
    DevicePort_.ConnectHandlers(Link_);
}

std::string TInstrumentSession::DisconnectionText() const {
    const std::string& lost = ComPort_.LostDevice();
    return lost.empty() ? std::string() : lost + " was disconnected";
}

}  // namespace norvane::session
