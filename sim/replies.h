#pragma once
// The instrument's reply texts, byte for byte. The computer compares whole lines, so a
// changed letter (the misspelt "guage" included) would turn a known error into an unknown
// one.

#include <string_view>

namespace norvane::sim::reply {

inline constexpr std::string_view kOk = "*";
inline constexpr std::string_view kCellNotAvailable = "@ERROR cell not available";
inline constexpr std::string_view kInvalidGaugeType = "@ERROR invalid guage type";
inline constexpr std::string_view kCellIdMissing = "@ERROR cell ID missing";
inline constexpr std::string_view kInvalidValue = "@ERROR invalid value";
inline constexpr std::string_view kBadValue = "@ERROR bad value";
inline constexpr std::string_view kMissingGaugeId = "@ERROR missing gauge ID";
inline constexpr std::string_view kTooManyDigits = "@ERROR too many digits";
inline constexpr std::string_view kCellNotAvailableNumbered = "@ERROR=14";
inline constexpr std::string_view kReadOnlyVariable = "@ERROR=15";
inline constexpr std::string_view kSyntaxError = "@ERROR=16";
inline constexpr std::string_view kDeviceNumberOutOfRange = "@ERROR=17";
inline constexpr std::string_view kNoSuchCell = "@ERROR=18";
inline constexpr std::string_view kCommandNotImplemented = "@ERROR=19";

// What a garbled line looks like: neither "*" nor "@" first.
inline constexpr std::string_view kGarbage = "#garbled";

}  // namespace norvane::sim::reply
