#pragma once
// Cuts the incoming byte stream into command lines. A command ends at LF; CR is dropped
// wherever it stands, so "CR LF", a lone LF and CRs strewn inside a line all frame alike.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::sim {

class TCommandFramer {
  public:
    // Longest command kept. A sender that never sends LF must not make us grow without end;
    // the bytes past the limit are dropped and the truncated line still answered, so the
    // sender hears a syntax error rather than nothing.
    static constexpr std::size_t kMaxCommandLength = 4096;

    // Takes received bytes and returns every command they complete, oldest first.
    std::vector<std::string> Feed(std::string_view bytes);

    // Bytes of a command whose LF has not arrived yet.
    const std::string& Pending() const { return Pending_; }

  private:
    std::string Pending_;
};

}  // namespace norvane::sim
