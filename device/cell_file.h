#pragma once
// The cell file: the computer's copy of an instrument's cell table.
//
// Plain 8-bit text, one line per answered cell, each line the cell's reply without its
// leading '*', at most 30 characters, every line (the last included) ending in CR LF.
// No header, no trailer, no counts. A line holds no control characters but tab (bytes
// 0-31 and 127); bytes from 128 up are text.
//
// Reading is more lenient than writing, because files come back from editors and other
// tools: a line ends at CR LF, at CR alone or at LF alone, so files edited with Linux tools
// and files of mixed line ends read line by line; byte 26 (Ctrl-Z) ends the file wherever it
// stands; a last line without a line end is still a line. An LF must never stay inside a
// line: the instrument ends a command at LF, so an upload of such a line would be answered
// twice and every later reply taken for the wrong line.

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::device {

// Any failure to create, open, read, write, rename or remove a cell file. what() names the
// operation, the path and the system's reason.
class TCellFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Builds a TCellFileError from errno as it stands now.
TCellFileError CellFileErrorFromErrno(const std::string& operation, const std::string& path);

// Sequential reader. Owns its open file; closes it on destruction.
class TCellFileReader {
  public:
    // A cell line is about 30 characters, and an instrument takes no command much longer:
    // a longer line means the file is no cell file (a binary, a device read by mistake),
    // and reading it whole could take all the memory there is.
    static constexpr std::size_t kMaxLineLength = 4096;

    // Opens path for reading. Throws TCellFileError if it cannot, or if path names no
    // regular file: a device such as /dev/zero or a pipe never ends, a folder holds no lines.
    explicit TCellFileReader(const std::string& path);
    ~TCellFileReader();
    TCellFileReader(const TCellFileReader&) = delete;
    TCellFileReader& operator=(const TCellFileReader&) = delete;

    // Reads the next line into `line` (without its line end). Returns false, leaving `line`
    // empty, when the file has no further line. Throws TCellFileError on a read error, on a
    // line longer than kMaxLineLength or holding a control character other than tab (naming
    // its number; nothing more of it is read: either means the file is no cell file, such as
    // a program or an image picked by mistake), and at a line end beyond the 2147483646th.
    bool ReadLine(std::string& line);

    // Starts again at the first line.
    void Rewind();

    // The number (from 1) of the line in which a Ctrl-Z ended the file although bytes
    // followed it, once reading has met that Ctrl-Z; otherwise 0. A Ctrl-Z right after a
    // line end stands in the next line. A Ctrl-Z that is the file's last byte is the old
    // end-of-file marker and cuts nothing off: 0.
    std::int32_t LineCutByEndMark() const { return LineCutByEndMark_; }

    const std::string& Path() const { return Path_; }

  private:
    int NextByte();  // EOF at end of file or at Ctrl-Z

    std::string Path_;
    std::FILE* File_ = nullptr;
    bool Ended_ = false;     // Ctrl-Z or end of file seen: nothing more is read
    std::int32_t Line_ = 1;  // the line the next byte belongs to
    std::int32_t LineCutByEndMark_ = 0;
};

// Every line of the file, by the reading rules above. Throws TCellFileError.
std::vector<std::string> ReadCellFileLines(const std::string& path);

// At most the first 200 characters of a file line, for a message to quote: a damaged file
// with one line of megabytes must not flood the log or the terminal.
std::string QuotedLine(std::string_view line);

// Writes a download without ever destroying the file it replaces.
//
// As a rule the lines go to a temporary file beside the target (same directory, so the final
// rename is atomic), each appended and the file closed again, so that every line is on disk
// before the next command goes out. Commit() gives the finished file the owner, group and
// permissions of the file it replaces (the owner only as root; the group where we belong to
// it) and moves it over the target.
//
// Two kinds of target are rewritten in place instead: one with other hard links, which a
// rename would leave holding the old content, and a writable file in a folder where we may
// not create the temporary file. Their lines are held in memory until Commit() (a cell file
// is at most 1899 lines of some 32 bytes), which then writes them over the target. That one
// write cannot be undone: if it fails, the file may be left incomplete.
//
// Either way Discard(), or destruction without Commit(), leaves the target as it was, or
// absent if it was absent. Every TCellFileError names the target, never the temporary file
// (unless the user has to remove it), and says whether the old file is unchanged.
class TCellFileWriter {
  public:
    // Checks that target names something we may replace (absent, or a writable regular
    // file) and creates the empty temporary file, or, for a target rewritten in place,
    // nothing. A symbolic link as target stands for the file it leads to, unless another user
    // planted it in a shared folder (the rule of link_following.h): that target is refused.
    // Throws TCellFileError if any of it fails.
    explicit TCellFileWriter(const std::string& target);
    ~TCellFileWriter();
    TCellFileWriter(const TCellFileWriter&) = delete;
    TCellFileWriter& operator=(const TCellFileWriter&) = delete;

    // Appends line + CR LF to the temporary file, unbuffered: each line is in the file when
    // this returns. In place, to the lines held. Throws TCellFileError; the download is then
    // discarded, as by Discard().
    void AppendLine(const std::string& line);

    // Makes the lines the target's content. Throws TCellFileError. From a temporary file:
    // renames it over the target; on failure it is removed (where the directory still
    // allows it: otherwise the error names it) and the target keeps what it had. In place:
    // opens the target (following no link), writes the lines from its start, cuts it to
    // their length and syncs it; a failure to open leaves it as it was.
    void Commit();

    // Removes the temporary file, or forgets the lines held. A failure to remove it is not
    // reported: there is nothing the user could do about it, and the target is untouched
    // either way. A Commit() after it fails.
    void Discard() noexcept;

    const std::string& TargetPath() const { return Target_; }
    // Empty when the target is rewritten in place.
    const std::string& TemporaryPath() const { return Temporary_; }

  private:
    int CreateTemporaryFile();
    void ReplaceByTemporaryFile();
    void RewriteInPlace();
    [[noreturn]] void GiveUp(const std::string& operation, int error);
    TCellFileError Failure(const std::string& operation, const std::string& reason,
                           bool mayBeIncomplete = false) const;

    std::string Target_;
    std::string Temporary_;
    // The temporary file, open from its creation until Commit() or Discard(): the lines go
    // to the file created, never to whatever might carry its name later.
    int TemporaryFd_ = -1;
    std::optional<struct stat> Replaced_;  // the target as it was, if it existed
    bool InPlace_ = false;
    std::string Held_;      // the lines of an in-place rewrite, line ends included
    bool Pending_ = false;  // neither committed nor discarded yet
};

}  // namespace norvane::device
