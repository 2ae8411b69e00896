#include "ui/port_device_hint.h"

#include "serial/ports/port_listing.h"

namespace norvane::ui {

QString PortDeviceHint(int port, const serial::TPortMap& map,
                       const serial::TPortDescriber& describer) {
    const std::optional<std::string> device = map.DevicePath(port);
    if (!device) {
        return QStringLiteral("no device");
    }
    // No probe: opening every port whenever a list is shown would toggle the modem lines of
    // instruments that never asked for it.
    const serial::TPortListing row = serial::DescribePort(port, *device, map, describer, false);
    QString hint = QString::fromStdString(row.Device);
    if (!row.Description.empty()) {
        hint += QStringLiteral(" (%1)").arg(QString::fromStdString(row.Description));
    }
    if (row.Presence == serial::TDevicePresence::Missing) {
        hint += QStringLiteral(": missing");
    }
    if (!row.StableName.empty() && row.StableName != row.Device) {
        hint += QStringLiteral("\n") + QString::fromStdString(row.StableName);
    }
    return hint;
}

}  // namespace norvane::ui
