#include "serial/linux/port_claim.h"

namespace norvane::serial {

TPortClaimSettings& PortClaimSettings() {
    static TPortClaimSettings settings;
    return settings;
}

}  // namespace norvane::serial
