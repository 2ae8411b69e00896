#pragma once
// Message texts for result codes.

#include <cstdint>
#include <string>
#include <string_view>

namespace norvane::serial {

// The longest text ErrorText returns, in bytes. Texts are UTF-8 and are never cut inside
// a character.
constexpr std::size_t kMaxErrorTextLength = 255;

// The text for a result code of either sign. Only the low 16 bits count, taken as a signed
// number, so codes of magnitude above 32767 alias smaller ones. The text comes from the
// error string table; a code without an entry gets the operating system's message for it
// (SystemMessageText), and failing that the empty string. Never throws for a missing code.
std::string ErrorText(std::int32_t code);

// The operating system's message for a table-less code, normalised as below; empty when
// the system has none. Only the host-errno range of errno_mapping.h carries system errors
// on Linux; the original platform's numbers have no host message.
std::string SystemMessageText(std::int32_t code);

// Makes a system message fit one log line: cut to kMaxErrorTextLength, every control
// character becomes a blank, and each run of blanks shrinks to one. A message ending in
// CR LF therefore ends in one blank.
std::string NormaliseSystemMessage(std::string_view message);

// `text` cut to at most `maxBytes` bytes without splitting a UTF-8 sequence.
std::string CutUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace norvane::serial
