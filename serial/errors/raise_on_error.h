#pragma once
// Turning a result code into the exception of its class.

#include <concepts>
#include <cstdint>

namespace norvane::serial {

// Whether the component that received a result is still reading its stored settings.
// While it is, errors are handed back to it instead of being raised.
enum TLoadState { lsReady, lsLoading };

// Returns `code` when it is 0 or more, or when `state` is lsLoading. Otherwise raises and
// never returns:
//   - a code that has a class (vexa_leaf_exceptions.h, tapi_exceptions.h, EProtocol for
//     6006, 6008, 6009): that class, ErrorCode the negative code, message ErrorText(code);
//   - -8: std::bad_alloc;
//   - any other code from -162 to -2, and the host-errno range of errno_mapping.h:
//     EInOutError with message ErrorText(code) and error code |code|;
//   - anything else (-1, codes with a text but no class such as -1001, -3002, -5001,
//     -6001): a plain EVexaException "Vexa exception" with ErrorCode 0.
std::int32_t RaiseOnError(TLoadState state, std::int32_t code);

template <typename Component>
concept LoadAware = requires(const Component& component) {
    { component.IsLoading() } -> std::convertible_to<bool>;
};

// For components that say themselves whether they are loading.
template <LoadAware Component>
std::int32_t RaiseOnError(const Component& component, std::int32_t code) {
    return RaiseOnError(component.IsLoading() ? lsLoading : lsReady, code);
}

}  // namespace norvane::serial
