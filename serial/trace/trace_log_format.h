#pragma once
// What the trace and log dumps have in common: how a recorded byte is written, how long
// lines wrap, the output file, and the texts that describe the build and the system.
//
// Both files are plain text with CR LF line ends, so that they read the same as the cell
// files the program writes. Nothing here keeps state between calls except TDumpFile and
// TWrappedLine, which belong to one dump; none of it is shared between threads.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace norvane::serial {

inline constexpr std::string_view kDumpLineEnd = "\r\n";

// A line of recorded bytes is ended before a byte whose text would take it past this column.
inline constexpr std::size_t kDumpWrapColumn = 78;

// The text for one recorded byte.
// - allHex: every byte as "[" + two upper-case hex digits + "]".
// - otherwise the printable characters up to "~" stand for themselves, the blank included
//   only without `hex` (with `hex` a blank is "[20]", so that it cannot be missed); every
//   other byte is "[" + hex digits + "]" with `hex` and "[" + decimal + "]" without it.
std::string RenderDumpByte(std::uint8_t byte, bool allHex, bool hex);

// Milliseconds as seconds with three decimals and at least four integer digits:
// 61234 gives "0061.234", 12345678 gives "12345.678".
std::string FormatLogTime(std::uint32_t milliseconds);

// The compiler that built this program and its version, e.g. "GCC 12.2.0".
std::string CompilerDescription();

// The kernel as uname reports it, system name and release ("Linux 6.1.0-18-amd64"), at most
// kMaxSystemDescriptionLength bytes; "Unknown" when uname fails.
inline constexpr std::size_t kMaxSystemDescriptionLength = 80;
std::string OperatingSystemDescription();

// The file a dump writes, buffered in blocks of kBufferSize bytes.
//
// Failures are kept, not thrown: the first one is returned by Open or Close as a result code
// (the negated code of ResultFromErrno). After a failed write the rest of the output is
// dropped. The destructor closes a file that is still open, without reporting.
class TDumpFile {
  public:
    static constexpr std::size_t kBufferSize = 512;

    TDumpFile() = default;
    TDumpFile(const TDumpFile&) = delete;
    TDumpFile& operator=(const TDumpFile&) = delete;
    ~TDumpFile();

    // Opens fileName for writing: replaced when `append` is false; when true, appended to if
    // it exists and created otherwise. Returns 0 or the negated error; nothing is open then.
    // A symbolic link on the way is followed only where base/link_following.h allows it, and
    // a file already at the name is used only where base/recording_target.h allows it (a
    // regular file of our own with one link); what either refuses fails as EACCES does. A
    // file created here is new (O_EXCL), 0600 in a shared folder. Never waits, neither
    // opening nor writing: a trace path is no reason to hang the program.
    std::int32_t Open(const std::string& fileName, bool append);

    // Whether the file held any bytes when it was opened (always false when replacing).
    bool HadContent() const { return HadContent_; }

    void Write(std::string_view text);

    // Writes what is buffered and closes. Returns 0 or the first failure since Open.
    std::int32_t Close();

  private:
    void Flush();
    void Fail(int err);

    int Descriptor_ = -1;
    bool HadContent_ = false;
    std::int32_t Result_ = 0;
    std::string Buffer_;
};

// Lays out a run of byte texts, counting columns from `startColumn`. A text that would take
// the count past kDumpWrapColumn goes on a new line, which begins with `indent` and counts on
// from `startColumn` again.
class TWrappedLine {
  public:
    TWrappedLine(TDumpFile& file, std::size_t startColumn, std::string_view indent)
        : File_(file), StartColumn_(startColumn), Column_(startColumn), Indent_(indent) {}

    void Put(std::string_view text);

    // Back to the start column, for a line the caller has just begun.
    void Reset() { Column_ = StartColumn_; }

  private:
    TDumpFile& File_;
    const std::size_t StartColumn_;
    std::size_t Column_;
    const std::string_view Indent_;
};

}  // namespace norvane::serial
