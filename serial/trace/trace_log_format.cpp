#include "serial/trace/trace_log_format.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>

#include "base/recording_target.h"
#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_text.h"

namespace norvane::serial {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string Bracketed(std::string_view inner) {
    std::string text = "[";
    text += inner;
    text += ']';
    return text;
}

std::string HexText(std::uint8_t byte) {
    const char digits[] = {kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
    return Bracketed(std::string_view(digits, 2));
}

// A new file, created by us (O_EXCL), or one already there that base/recording_target.h lets
// us write into; -1 with errno set otherwise (EACCES for a file it refuses). O_NONBLOCK stays
// on: nothing but a regular file is ever opened, so it changes nothing there, and should a
// pipe take the name between the check and the open, neither opening nor writing waits.
int OpenRecordingTarget(const base::TRecordingTarget& target, bool append) {
    constexpr int kFlags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    const std::string& path = target.Path;
    if (!target.Refusal.empty()) {
        errno = EACCES;
        return -1;
    }
    if (!target.Existing) {
        return ::open(path.c_str(), kFlags | O_CREAT | O_EXCL | (append ? O_APPEND : 0),
                      target.CreationMode);
    }
    const int fd = ::open(path.c_str(), kFlags | (append ? O_APPEND : 0));
    struct stat opened {};
    if (fd >= 0 && (::fstat(fd, &opened) != 0 || opened.st_ino != target.Existing->st_ino ||
                    opened.st_dev != target.Existing->st_dev)) {
        ::close(fd);  // replaced between the check and the open
        errno = EACCES;
        return -1;
    }
    if (fd >= 0 && !append && ::ftruncate(fd, 0) != 0) {
        const int cause = errno;
        ::close(fd);
        errno = cause;
        return -1;
    }
    return fd;
}

}  // namespace

std::string RenderDumpByte(std::uint8_t byte, bool allHex, bool hex) {
    if (allHex) {
        return HexText(byte);
    }
    const std::uint8_t firstPrintable = hex ? '!' : ' ';
    if (byte >= firstPrintable && byte <= '~') {
        return std::string(1, static_cast<char>(byte));
    }
    return hex ? HexText(byte) : Bracketed(std::to_string(byte));
}

std::string FormatLogTime(std::uint32_t milliseconds) {
    std::string digits = std::to_string(milliseconds);
    constexpr std::size_t kMinDigits = 7;
    if (digits.size() < kMinDigits) {
        digits.insert(0, kMinDigits - digits.size(), '0');
    }
    digits.insert(digits.size() - 3, 1, '.');
    return digits;
}

std::string CompilerDescription() {
#if defined(__clang__)
    return "Clang " + std::to_string(__clang_major__) + "." + std::to_string(__clang_minor__) +
           "." + std::to_string(__clang_patchlevel__);
#elif defined(__GNUC__)
    return "GCC " + std::to_string(__GNUC__) + "." + std::to_string(__GNUC_MINOR__) + "." +
           std::to_string(__GNUC_PATCHLEVEL__);
#else
    return "Unknown compiler";
#endif
}

std::string OperatingSystemDescription() {
    utsname names{};
    if (uname(&names) != 0) {
        return "Unknown";
    }
    const std::string description = std::string(names.sysname) + " " + names.release;
    return CutUtf8(description, kMaxSystemDescriptionLength);
}

TDumpFile::~TDumpFile() {
    if (Descriptor_ >= 0) {
        ::close(Descriptor_);
    }
}

std::int32_t TDumpFile::Open(const std::string& fileName, bool append) {
    // A dump follows a symbolic link only as the program's other writers of files do; the
    // resolved path holds no link, so O_NOFOLLOW stops only one planted after the check.
    Descriptor_ = OpenRecordingTarget(base::InspectRecordingTarget(fileName), append);
    if (Descriptor_ < 0) {
        return ResultFromErrno(errno, TIoDirection::Write);
    }
    struct stat status {};
    HadContent_ = append && ::fstat(Descriptor_, &status) == 0 && status.st_size > 0;
    Result_ = 0;
    Buffer_.clear();
    Buffer_.reserve(kBufferSize);
    return 0;
}

void TDumpFile::Write(std::string_view text) {
    while (!text.empty() && Result_ == 0) {
        const std::size_t room = kBufferSize - Buffer_.size();
        const std::size_t part = text.size() < room ? text.size() : room;
        Buffer_.append(text.substr(0, part));
        text.remove_prefix(part);
        if (Buffer_.size() == kBufferSize) {
            Flush();
        }
    }
}

std::int32_t TDumpFile::Close() {
    if (Descriptor_ < 0) {
        return Result_;
    }
    Flush();
    if (::close(Descriptor_) != 0 && Result_ == 0) {
        Fail(errno);
    }
    Descriptor_ = -1;
    return Result_;
}

void TDumpFile::Flush() {
    std::string_view pending = Buffer_;
    while (!pending.empty() && Result_ == 0) {
        const ssize_t written = ::write(Descriptor_, pending.data(), pending.size());
        if (written < 0) {
            if (errno != EINTR) {
                Fail(errno);
            }
            continue;
        }
        if (written == 0) {  // no progress and no errno: report it rather than spin
            Fail(EIO);
            break;
        }
        pending.remove_prefix(static_cast<std::size_t>(written));
    }
    Buffer_.clear();
}

void TDumpFile::Fail(int err) {
    Result_ = ResultFromErrno(err, TIoDirection::Write);
}

void TWrappedLine::Put(std::string_view text) {
    if (Column_ + text.size() > kDumpWrapColumn) {
        File_.Write(kDumpLineEnd);
        File_.Write(Indent_);
        Column_ = StartColumn_;
    }
    Column_ += text.size();
    File_.Write(text);
}

}  // namespace norvane::serial
