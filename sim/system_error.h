#pragma once
// Failures of system calls, carrying what we tried and the system's reason.

#include <stdexcept>
#include <string>

namespace norvane::sim {

// "what: strerror(errno)" for errno as it stands now.
std::runtime_error SystemError(const std::string& what);

}  // namespace norvane::sim
