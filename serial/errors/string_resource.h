#pragma once
// Reader for string tables in the STR0 layout, and the tables' place of origin.
//
// STR0, all integers little-endian:
//   0        4 bytes   the ASCII bytes "STR0"
//   4        4 bytes   N, unsigned count of entries
//   8+12i    4 bytes   code of entry i, signed, ascending, unique
//   12+12i   4 bytes   byte offset of entry i's text from the start of the table
//   16+12i   4 bytes   length of entry i's text in UTF-16 code units
//   then the texts, UTF-16LE, with no terminator and no length prefix.
// The program's own tables are packed with the texts back to back after the index, but
// the reader goes by the stored offsets only, so any table that keeps the index right
// reads the same.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace norvane::serial {

// A table that is missing, unreadable or not in the STR0 layout, or a code looked up
// with raise-on-missing set. Not part of the EVexaException family: it reports a broken
// program, not a serial failure.
class EQlsStringResourceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Where a reader finds tables by name. The program's own tables are embedded at build
// time (ProgramModule); tests supply their own.
class IResourceModule {
  public:
    virtual ~IResourceModule() = default;

    // The bytes of the named table, or nullopt when the module has no such table. An
    // empty span means the table exists but could not be loaded. The bytes must outlive
    // every reader made from them.
    virtual std::optional<std::span<const std::uint8_t>> FindTable(std::string_view name) const = 0;
};

// The tables compiled into the program.
const IResourceModule& ProgramModule();

class TVexaStringResource {
  public:
    // Opens the named table from `module`, or from the program's own tables if `module`
    // has none of that name. Raises EQlsStringResourceError, with the texts of
    // "VEXASRMGR_STRINGS", when the table is not found (3), cannot be loaded (4) or is not
    // a valid STR0 table (5).
    TVexaStringResource(const IResourceModule& module, std::string_view name);

    // Opens one of the program's own tables.
    explicit TVexaStringResource(std::string_view name);

    // The text for `code`, converted from UTF-16 to UTF-8, the program's 8-bit encoding.
    // A code without an entry gives the empty string, or raises EQlsStringResourceError
    // (message 1) when raise-on-missing is set.
    std::string GetAsString(std::int32_t code) const;

    // Off after construction; nothing in the program turns it on.
    bool RaiseOnMissing() const { return RaiseOnMissing_; }
    void SetRaiseOnMissing(bool raise) { RaiseOnMissing_ = raise; }

    std::uint32_t EntryCount() const { return Count_; }

  private:
    struct TEntry {
        std::uint32_t Offset;
        std::uint32_t Length;
    };

    std::optional<TEntry> Find(std::int32_t code) const;
    std::int32_t CodeAt(std::uint32_t index) const;
    void Validate() const;

    bool RaiseOnMissing_ = false;
    std::span<const std::uint8_t> Bytes_;
    std::uint32_t Count_ = 0;
};

// Message `id` (1 to 5) of the reader's own table with its %d or %s filled by `argument`.
// Falls back to built-in copies of those texts while that table itself is not available.
std::string StringResourceMessage(std::int32_t id, std::string_view argument = {});

}  // namespace norvane::serial
