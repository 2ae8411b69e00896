#include "ui/port_device_hint.h"

namespace norvane::ui {

QString PortDeviceHint(int port, const serial::TPortMap& map,
                       const serial::TPortDescriber& describer) {
    const std::optional<std::string> device = map.DevicePath(port);
    if (!device) {
        return QStringLiteral("no device");
    }
    const QString path = QString::fromStdString(*device);
    const std::string description = describer.Describe(*device);
    if (description.empty()) {
        return path;
    }
    return QStringLiteral("%1 (%2)").arg(path, QString::fromStdString(description));
}

}  // namespace norvane::ui
