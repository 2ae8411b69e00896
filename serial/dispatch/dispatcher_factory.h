#pragma once
// How the port component gets a dispatcher without naming the platform's class: the
// platform library (serial/linux/) defines this function, and the build links exactly one.

#include <memory>

#include "serial/dispatch/base_dispatcher.h"

namespace norvane::serial {

// A new, closed dispatcher of this platform's native driver, owned by the caller. owner may
// be null (a probe no port owns). Throws only std::bad_alloc.
std::unique_ptr<TVexaBaseDispatcher> CreatePlatformDispatcher(TVexaCustomComPort* owner);

}  // namespace norvane::serial
