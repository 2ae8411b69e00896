#pragma once
// The program's one rounding of computed sizes (the sizer's pixels, the port's flow
// thresholds): to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4,
// -2.5 -> -2), whatever rounding mode the process runs in.

namespace norvane::base {

// value must be finite and within the range of int.
int RoundHalfEven(double value);

}  // namespace norvane::base
