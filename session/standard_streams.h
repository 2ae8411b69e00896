#pragma once
// Standard input, output and error as a program may find them: closed by whoever started it
// (`norvane-cli ... >&-`, a service manager). The next descriptor opened then takes the
// closed number, and what the program writes to its output would go there: to Qt's wake-up
// counter, or to the instrument's port.

namespace norvane::session {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed. Call first in main(),
// before anything opens a file. Any thread; does not throw.
void EnsureStandardStreamsOpen() noexcept;

}  // namespace norvane::session
