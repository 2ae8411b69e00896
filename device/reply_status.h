#pragma once
// Outcome of the most recent instrument command.

#include <cstdint>

namespace norvane::device {

// Stored as a plain 32-bit integer because any value may be read back and compared; the
// names are the known ones. There is no code 2 and no code 18: the instrument's own
// number 18 is reported as 14.
enum ReplyStatusCode : std::int32_t {
    rsWaiting = 0,          // a command is outstanding
    rsOk = 1,               // reply began with '*'
    rsDeviceError = 3,      // an '@' reply we have no name for
    rsNoConnection = 4,     // no reply line within the time-out
    rsUnexpectedReply = 5,  // reply began with neither '*' nor '@'
    rsFileMissing = 6,      // upload source does not exist; no command involved
    rsAborted = 7,          // the user pressed Abort
    rsInvalidGaugeType = 8,
    rsCellIdMissing = 9,
    rsInvalidValue = 10,
    rsBadValue = 11,
    rsTooManyDigits = 12,
    rsMissingGaugeId = 13,
    rsCellNotAvailable = 14,
    rsReadOnlyVariable = 15,
    rsSyntaxError = 16,
    rsDeviceNumberOutOfRange = 17,
    rsCommandNotImplemented = 19,
};

// The outcomes that end a transfer: nothing more can be learnt from this instrument now.
constexpr bool EndsTransfer(std::int32_t status) {
    return status == rsNoConnection || status == rsUnexpectedReply || status == rsAborted;
}

}  // namespace norvane::device
