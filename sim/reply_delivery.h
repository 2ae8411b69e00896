#pragma once
// How a reply's bytes travel: think time, line rate, fragmentation and stray CRs. A healthy
// instrument sends "reply CR LF" in one go; a real line delivers it in pieces, late, with
// line noise, and the computer's reader has to cope with all of it.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::sim {

// Where extra CR bytes go. The computer's reader drops every CR, so any of these must still
// read as the same reply line.
struct TStrayCr {
    bool BeforeFirst = false;  // CR, then the reply
    bool InMiddle = false;     // a CR halfway through the reply text
    bool AfterLf = false;      // CR LF CR: the extra CR opens the next line
    bool Any() const { return BeforeFirst || InMiddle || AfterLf; }
};

// Line incidents tied to one command, counted from 1 in the order the commands arrive
// (a line clear counts). 0 means never. They let a test put a failure at an exact point of
// a transfer instead of racing it with a timer.
struct TLineIncidents {
    std::size_t FloodAt = 0;  // before this command's reply, FloodBytes bytes without a LF
    std::size_t FloodBytes = 0;
    std::size_t DelayAt = 0;  // this command's reply comes Delay late, on top of ThinkTime
    std::chrono::milliseconds Delay{0};
    std::size_t HangUpAfter = 0;  // the line is closed when the command after this one comes
};

struct TReplyDelivery {
    std::chrono::milliseconds ThinkTime{0};  // before the first byte of each reply
    unsigned Baud = 0;                       // 0: as fast as the line takes them
    std::size_t FragmentBytes = 0;           // 0: the reply in one piece
    std::chrono::milliseconds FragmentPause{0};
    TStrayCr StrayCr;
    TLineIncidents Incidents;
};

// When the preamble goes out. At start it waits in the line's buffer, where a client that
// flushes its input on open loses it, as it would lose a real instrument's chatter; on the
// first byte it reaches a client that is demonstrably listening.
enum class TPreambleMoment { AtStart, OnFirstByte };

// Bytes the instrument sends unasked, before its first reply.
struct TPreamble {
    std::string Text;  // empty: none
    TPreambleMoment Moment = TPreambleMoment::AtStart;
};

// The bytes of one reply line (text + CR LF, plus stray CRs), cut into the fragments that
// are written with FragmentPause between them.
std::vector<std::string> ReplyFragments(std::string_view reply, const TReplyDelivery& delivery);

// count bytes of printable junk without a line feed: what a confused instrument streams.
std::string FloodBytes(std::size_t count);

// Time one byte occupies the line: start bit, 8 data bits, stop bit. Zero for baud 0.
std::chrono::nanoseconds ByteTime(unsigned baud);

}  // namespace norvane::sim
