#include "session/line_settings.h"

namespace norvane::session {

TLineSettings LineSettingsOf(const serial::TVexaCustomComPort& port) {
    return TLineSettings{port.ComNumber(), port.Baud(), port.Parity(), port.DataBits(),
                         port.StopBits()};
}

void ApplyLineSettings(serial::TVexaCustomComPort& port, const TLineSettings& line) {
    port.SetComNumber(static_cast<std::uint16_t>(line.Port));
    port.FollowPortNumber();
    port.SetBaud(line.Baud);
    port.SetParity(line.Parity);
    port.SetDataBits(static_cast<std::uint16_t>(line.DataBits));
    port.SetStopBits(static_cast<std::uint16_t>(line.StopBits));
}

}  // namespace norvane::session
