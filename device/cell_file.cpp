#include "device/cell_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "base/link_following.h"
#include "base/visible_text.h"
#include "device/stale_part_files.h"

namespace norvane::device {

namespace {

constexpr int kCr = 13;
constexpr int kLf = 10;
constexpr int kEndOfFileMark = 26;  // Ctrl-Z, the old text-file end marker

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes all of data, resuming after interrupted or partial writes.
bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A symbolic link as target means the file it points at: that is what the user chose,
// and replacing the link itself with a plain file would surprise them. Only a link that the
// kernel's protection of shared folders would follow counts as chosen by the user.
std::string ResolveTarget(const std::string& target) {
    try {
        return base::ResolveLinksForWriting(target);
    } catch (const base::TWritePathError& refused) {
        throw TCellFileError("Cannot use " + target + ": " + refused.what());
    }
}

// Refuses targets that the download could not honestly replace. Returns what stat() says of
// an existing target.
std::optional<struct stat> CheckReplaceableTarget(const std::string& target) {
    if (target.empty()) {
        throw TCellFileError("No file name given");
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        throw CellFileErrorFromErrno("Cannot use", target);
    }
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        throw CellFileErrorFromErrno("Cannot use", target);
    }
    if (!S_ISREG(st.st_mode)) {
        throw TCellFileError("Cannot use " + target + ": not a regular file");
    }
    if (::access(target.c_str(), W_OK) != 0) {
        throw CellFileErrorFromErrno("Cannot write", target);
    }
    return st;
}

}  // namespace

TCellFileError CellFileErrorFromErrno(const std::string& operation, const std::string& path) {
    return TCellFileError(operation + " " + path + ": " + std::strerror(errno));
}

// ---- reading ----------------------------------------------------------------------------

TCellFileReader::TCellFileReader(const std::string& path) : Path_(path) {
    // Non-blocking, so that a named pipe without a writer cannot hang the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw CellFileErrorFromErrno("Cannot open", path);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw TCellFileError("Cannot read " + path +
                             ": not a regular file (a folder, a device or a pipe)");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    File_ = ::fdopen(fd, "rb");
    if (File_ == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
        throw CellFileErrorFromErrno("Cannot open", path);
    }
}

TCellFileReader::~TCellFileReader() {
    std::fclose(File_);
}

int TCellFileReader::NextByte() {
    if (Ended_) {
        return EOF;
    }
    const int c = std::getc(File_);
    if (c == EOF && std::ferror(File_)) {
        throw CellFileErrorFromErrno("Cannot read", Path_);
    }
    if (c == kEndOfFileMark && std::getc(File_) != EOF) {
        LineCutByEndMark_ = Line_;
    }
    if (c == EOF || c == kEndOfFileMark) {
        Ended_ = true;
        return EOF;
    }
    return c;
}

bool TCellFileReader::ReadLine(std::string& line) {
    line.clear();
    int c = NextByte();
    if (c == EOF) {
        return false;
    }
    while (c != EOF && c != kCr && c != kLf) {
        if (line.size() == kMaxLineLength) {
            throw TCellFileError("Cannot read " + Path_ + ": line " + std::to_string(Line_) +
                                 " is longer than " + std::to_string(kMaxLineLength) +
                                 " characters; this is no cell file");
        }
        // Line ends and Ctrl-Z never reach a line, so any other control found there is foreign.
        if (base::IsControlOtherThanTab(static_cast<char>(c))) {
            throw TCellFileError("Cannot read " + Path_ + ": line " + std::to_string(Line_) +
                                 " holds control characters; this is no cell file");
        }
        line.push_back(static_cast<char>(c));
        c = NextByte();
    }
    if (c != EOF) {
        // The line numbers and the upload's line count are 32-bit.
        if (Line_ == INT32_MAX) {
            throw TCellFileError("Cannot read " + Path_ + ": more than " +
                                 std::to_string(INT32_MAX - 1) + " lines");
        }
        ++Line_;
    }
    if (c == kCr) {
        const int next = NextByte();
        if (next != kLf && next != EOF) {
            std::ungetc(next, File_);
        }
    }
    return true;
}

void TCellFileReader::Rewind() {
    std::rewind(File_);
    Ended_ = false;
    Line_ = 1;
    LineCutByEndMark_ = 0;
}

std::string QuotedLine(std::string_view line) {
    constexpr std::size_t kQuotedLineLength = 200;
    return base::ShortenedText(line, kQuotedLineLength);
}

std::vector<std::string> ReadCellFileLines(const std::string& path) {
    TCellFileReader reader(path);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line)) {
        lines.push_back(line);
    }
    return lines;
}

// ---- writing ----------------------------------------------------------------------------

namespace {

// The part of a temporary name after the pid: random, so that nobody can take the names a
// download will try before it does (in /tmp anyone could otherwise fill them in, knowing
// the shell's pid). Below 2^63, a number the stale-file sweep still reads.
std::uint64_t UnguessableNumber() {
    std::uint64_t number = 0;
    ssize_t got = 0;
    do {
        got = ::getrandom(&number, sizeof number, 0);
    } while (got < 0 && errno == EINTR);
    return number & 0x7FFF'FFFF'FFFF'FFFFULL;
}

// Whether a failure to create the temporary file says only that the folder takes no new
// name, which a target we may write can live with: no write permission on the folder, an
// immutable folder, a read-only mount of the folder with the file bound in from elsewhere.
bool FolderRefusesNewNames(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

// The replacement is to look like the file it replaces. Only root may give a file away, and
// only a member of a group may give a file to it; otherwise the file stays ours. chown clears
// the set-user-ID and set-group-ID bits, so the mode comes after it.
void TakeOwnerAndPermissions(int fd, const struct stat& replaced) {
    if (::fchown(fd, replaced.st_uid, replaced.st_gid) != 0) {
        (void)::fchown(fd, static_cast<uid_t>(-1), replaced.st_gid);
    }
    (void)::fchmod(fd, replaced.st_mode & 07777);
}

}  // namespace

TCellFileWriter::TCellFileWriter(const std::string& target)
    : Target_(ResolveTarget(target)), Replaced_(CheckReplaceableTarget(Target_)) {
    RemoveStalePartFiles(DirectoryOf(Target_), BaseNameOf(Target_));
    Pending_ = true;
    if (Replaced_ && Replaced_->st_nlink > 1) {
        InPlace_ = true;
        return;
    }
    const int fd = CreateTemporaryFile();
    if (fd < 0 && Replaced_ && FolderRefusesNewNames(errno)) {
        InPlace_ = true;
        return;
    }
    if (fd < 0) {
        Pending_ = false;
        throw Failure(Replaced_ ? "Cannot write" : "Cannot create", std::strerror(errno));
    }
    // Until the commit the download is as private as the file it replaces.
    if (Replaced_) {
        (void)::fchmod(fd, Replaced_->st_mode & 07777);
    }
    TemporaryFd_ = fd;
}

// Returns the open file, or -1 with errno set (and Temporary_ empty).
int TCellFileWriter::CreateTemporaryFile() {
    const std::string stem =
        DirectoryOf(Target_) + "/." + BaseNameOf(Target_) + "." + std::to_string(::getpid()) + ".";
    for (int attempt = 0;; ++attempt) {
        Temporary_ = stem + std::to_string(UnguessableNumber()) + ".part";
        const int fd = ::open(Temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST && attempt < 100) {
            continue;
        }
        if (fd < 0) {
            Temporary_.clear();
        }
        return fd;
    }
}

TCellFileWriter::~TCellFileWriter() {
    Discard();
}

void TCellFileWriter::AppendLine(const std::string& line) {
    if (InPlace_) {
        Held_ += line;
        Held_ += "\r\n";
        return;
    }
    if (!WriteAll(TemporaryFd_, line + "\r\n")) {
        GiveUp("Cannot write", errno);
    }
}

void TCellFileWriter::Commit() {
    if (!Pending_) {
        throw Failure("Cannot write", "the download was discarded");
    }
    if (InPlace_) {
        RewriteInPlace();
    } else {
        ReplaceByTemporaryFile();
    }
    Pending_ = false;
    Held_.clear();
}

void TCellFileWriter::ReplaceByTemporaryFile() {
    // Without the sync a crash right after the rename could leave an empty file where the
    // old one was. A close can still report a failed write (on a network file system).
    if (Replaced_) {
        TakeOwnerAndPermissions(TemporaryFd_, *Replaced_);
    }
    if (::fsync(TemporaryFd_) != 0 || ::close(std::exchange(TemporaryFd_, -1)) != 0) {
        GiveUp("Cannot write", errno);
    }
    if (::rename(Temporary_.c_str(), Target_.c_str()) != 0) {
        GiveUp("Cannot replace", errno);
    }
}

void TCellFileWriter::RewriteInPlace() {
    // The path holds no link once resolved: one there now was put there since. Non-blocking,
    // so that a named pipe put there cannot hang the open.
    const int fd = ::open(Target_.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw Failure("Cannot write", std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Failure("Cannot write", "not a regular file");
    }
    const bool written = WriteAll(fd, Held_) &&
                         ::ftruncate(fd, static_cast<off_t>(Held_.size())) == 0 && ::fsync(fd) == 0;
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        throw Failure("Cannot write", std::strerror(written ? errno : writeErrno), true);
    }
}

void TCellFileWriter::GiveUp(const std::string& operation, int error) {
    Discard();
    throw Failure(operation, std::strerror(error));
}

// "OPERATION TARGET: REASON", and what became of the old file and of the temporary one. A
// temporary file that the directory, turned read-only, did not let us remove is named: the
// user has to remove it.
TCellFileError TCellFileWriter::Failure(const std::string& operation, const std::string& reason,
                                        bool mayBeIncomplete) const {
    std::vector<std::string> notes;
    if (mayBeIncomplete) {
        notes.push_back("the file may be incomplete");
    } else if (Replaced_) {
        notes.push_back("the old file is unchanged");
    }
    if (!Pending_ && !Temporary_.empty() && ::access(Temporary_.c_str(), F_OK) == 0) {
        notes.push_back("the partial download is left in " + Temporary_);
    }
    std::string message = operation + " " + Target_ + ": " + reason;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        message += (i == 0 ? " (" : "; ") + notes[i];
    }
    return TCellFileError(notes.empty() ? message : message + ")");
}

void TCellFileWriter::Discard() noexcept {
    if (TemporaryFd_ >= 0) {
        ::close(std::exchange(TemporaryFd_, -1));
    }
    if (Pending_ && !InPlace_) {
        ::unlink(Temporary_.c_str());
    }
    Pending_ = false;
    Held_.clear();
}

}  // namespace norvane::device
