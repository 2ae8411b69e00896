#include "serial/ports/port_description.h"

#include <filesystem>
#include <fstream>

namespace norvane::serial {

namespace {

namespace fs = std::filesystem;

// A USB serial adapter's tty sits at most this far below the USB device that names it
// (tty -> usb-serial port -> interface -> device); going further would reach the hub.
constexpr int kLevelsToSearch = 3;

// The first line of a sysfs attribute, without surrounding blanks; "" when absent.
std::string Attribute(const fs::path& folder, const char* name) {
    std::ifstream file(folder / name);
    std::string line;
    std::getline(file, line);
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

std::string Joined(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) {
        return a + b;
    }
    return a + " " + b;
}

}  // namespace

TPortDescriber::TPortDescriber(std::string ttyClassRoot) : TtyClassRoot_(std::move(ttyClassRoot)) {}

std::string TPortDescriber::Describe(const std::string& devicePath) const {
    std::error_code error;
    const fs::path node = fs::canonical(devicePath, error);
    if (error) {
        return {};
    }
    fs::path folder = fs::canonical(fs::path(TtyClassRoot_) / node.filename() / "device", error);
    if (error) {
        return {};
    }
    std::string interfaceName;
    for (int level = 0; level <= kLevelsToSearch && folder.has_relative_path(); ++level) {
        if (interfaceName.empty()) {
            interfaceName = Attribute(folder, "interface");
        }
        const std::string product = Attribute(folder, "product");
        if (!product.empty()) {
            // Two adapters of one make differ only in their serial number.
            const std::string serial = Attribute(folder, "serial");
            return Joined(Joined(Attribute(folder, "manufacturer"), product),
                          serial.empty() ? serial : "(serial " + serial + ")");
        }
        folder = folder.parent_path();
    }
    return interfaceName;
}

}  // namespace norvane::serial
