#pragma once
// The simulator from start to stop: what main() runs once the command line is understood.

#include <ostream>

#include "sim/options.h"

namespace norvane::sim {

// Opens the line, announces its client path on `announce` (one line, flushed), serves until
// a stop signal and saves the table if asked. Throws with the cause on any failure; the
// table is saved even then, if it was loaded.
void RunSimulator(const TOptions& options, std::ostream& announce);

}  // namespace norvane::sim
