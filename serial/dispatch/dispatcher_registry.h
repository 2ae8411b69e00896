#pragma once
// The process-wide registry of dispatchers.
//
// Every dispatcher takes a slot for its lifetime; the slot number (its registry index)
// travels in the high 16 bits of each notification's second parameter, so that whoever
// handles a notification can find the dispatcher, and through it the port component, from
// the message alone. A new dispatcher takes the lowest free slot; a freed slot at the end of
// the list is trimmed away.
//
// RegistryLock guards the list. It is recursive: the notification window holds it while an
// event handler runs, and that handler may itself open or close ports.

#include <cstdint>
#include <mutex>

namespace norvane::serial {

class TVexaBaseDispatcher;

// The registry's lock. Hold it while using a pointer obtained from FindDispatcher: a
// dispatcher leaves the registry under this lock before it is destroyed.
std::recursive_mutex& RegistryLock();

// Puts dispatcher into the lowest free slot and returns the slot's index. Any thread.
std::int32_t RegisterDispatcher(TVexaBaseDispatcher* dispatcher);

// Empties slot `index` (nothing happens for an index not in use) and trims trailing empty
// slots. Any thread.
void UnregisterDispatcher(std::int32_t index);

// The dispatcher in slot `index`, or nullptr for an empty slot or an index out of range.
TVexaBaseDispatcher* FindDispatcher(std::int32_t index);

}  // namespace norvane::serial
