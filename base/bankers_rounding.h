#pragma once
// Rounding of pixel sizes computed in floating point: to the nearest integer, halves to the
// even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2), whatever the process's rounding mode.

namespace norvane::base {

// value must be finite and within the range of int.
int RoundHalfEven(double value);

}  // namespace norvane::base
