#include "base/bankers_rounding.h"

#include <cmath>

namespace norvane::base {

int RoundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5) {
        return static_cast<int>(below);
    }
    if (fraction > 0.5) {
        return static_cast<int>(below) + 1;
    }
    const bool belowIsEven = std::fmod(below, 2.0) == 0.0;
    return static_cast<int>(below) + (belowIsEven ? 0 : 1);
}

}  // namespace norvane::base
