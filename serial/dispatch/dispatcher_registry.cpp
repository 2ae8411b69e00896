#include "serial/dispatch/dispatcher_registry.h"

#include <algorithm>
#include <vector>

namespace norvane::serial {

namespace {

// Never destroyed: dispatchers owned by static objects may leave the registry during
// program exit, after function-local statics would have been torn down.
std::vector<TVexaBaseDispatcher*>& Slots() {
    static auto* slots = new std::vector<TVexaBaseDispatcher*>();
    return *slots;
}

}  // namespace

std::recursive_mutex& RegistryLock() {
    static auto* lock = new std::recursive_mutex();
    return *lock;
}

std::int32_t RegisterDispatcher(TVexaBaseDispatcher* dispatcher) {
    std::lock_guard lock(RegistryLock());
    auto& slots = Slots();
    auto free = std::find(slots.begin(), slots.end(), nullptr);
    if (free == slots.end()) {
        slots.push_back(dispatcher);
        return static_cast<std::int32_t>(slots.size() - 1);
    }
    *free = dispatcher;
    return static_cast<std::int32_t>(free - slots.begin());
}

void UnregisterDispatcher(std::int32_t index) {
    std::lock_guard lock(RegistryLock());
    auto& slots = Slots();
    if (index < 0 || static_cast<std::size_t>(index) >= slots.size()) {
        return;
    }
    slots[static_cast<std::size_t>(index)] = nullptr;
    while (!slots.empty() && slots.back() == nullptr) {
        slots.pop_back();
    }
}

TVexaBaseDispatcher* FindDispatcher(std::int32_t index) {
    std::lock_guard lock(RegistryLock());
    const auto& slots = Slots();
    if (index < 0 || static_cast<std::size_t>(index) >= slots.size()) {
        return nullptr;
    }
    return slots[static_cast<std::size_t>(index)];
}

}  // namespace norvane::serial
