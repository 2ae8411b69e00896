#pragma once
// How the simulated instrument misbehaves on purpose: the replies a healthy instrument
// would give, replaced for chosen cells, chosen store lines and the line clear. Only the
// content of replies is decided here; how their bytes travel is TReplyDelivery's business.

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::sim {

// A reply line without its CR LF, or nothing at all: the instrument stays silent.
using TReply = std::optional<std::string>;

// What a faulty cell answers instead of the truth.
struct TCellFault {
    TReply Reply;  // nothing: silence
};

// A store line that matches Pattern (anywhere in the line: anchor it to match whole lines)
// is answered with Reply and not stored.
struct TStoreRejection {
    std::string PatternText;  // as given, for messages
    std::regex Pattern;
    std::string Reply;
};

// Throws std::regex_error, whose what() says why the pattern is bad.
TStoreRejection MakeStoreRejection(const std::string& pattern, std::string reply);

class TFaultPlan {
  public:
    // Every command addressing the cell, query or store, gets the fault's reply instead of
    // its own and has no effect. A later call for the same cell wins.
    void SetCellFault(int cell, TCellFault fault);

    // Checked in the order added; the first match decides.
    void AddStoreRejection(TStoreRejection rejection);

    // The answer to CR LF alone. A healthy instrument answers "*".
    void SetLineClearReply(TReply reply) { LineClearReply_ = std::move(reply); }

    // Every command, of any kind, is answered with random bytes instead (see
    // TRandomReplies); the same seed gives the same replies.
    void SetRandomReplies(std::uint32_t seed) { RandomSeed_ = seed; }
    const std::optional<std::uint32_t>& RandomSeed() const { return RandomSeed_; }

    // The cell's fault, if it has one.
    std::optional<TCellFault> CellFault(int cell) const;

    // The reply of the first rejection whose pattern matches the store line.
    std::optional<std::string> StoreRejectionReply(std::string_view line) const;

    // A store line matching `pattern` is accepted but kept with each match replaced by
    // `replacement` (ECMAScript's $& and $1 apply): an instrument that stores a definition
    // otherwise than it was sent. Throws std::regex_error for a bad pattern.
    void AlterStores(const std::string& pattern, std::string replacement);
    // The line as the instrument keeps it.
    std::string StoredForm(std::string_view line) const;

    const TReply& LineClearReply() const { return LineClearReply_; }

  private:
    std::map<int, TCellFault> CellFaults_;
    std::vector<TStoreRejection> StoreRejections_;
    std::vector<std::pair<std::regex, std::string>> StoreAlterations_;
    TReply LineClearReply_ = std::string("*");
    std::optional<std::uint32_t> RandomSeed_;
};

// Replies of line noise: 1 to kMaxLength bytes of any value but LF, so each is still one
// line, of whose content nothing can be assumed (CR, NUL, '*', '@' and 8-bit bytes
// included).
class TRandomReplies {
  public:
    static constexpr std::size_t kMaxLength = 40;
    explicit TRandomReplies(std::uint32_t seed) : Engine_(seed) {}
    std::string Next();

  private:
    std::mt19937 Engine_;
};

}  // namespace norvane::sim
