#include "sim/system_error.h"

#include <cerrno>
#include <cstring>

namespace norvane::sim {

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace norvane::sim
