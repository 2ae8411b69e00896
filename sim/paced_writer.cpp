#include "sim/paced_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "sim/system_error.h"

namespace norvane::sim {

TPacedWriter::TPacedWriter(int fd, std::chrono::nanoseconds byteTime, TStopSignal& stop)
    : Fd_(fd), ByteTime_(byteTime), Stop_(stop) {}

bool TPacedWriter::Write(std::string_view bytes) {
    if (ByteTime_.count() == 0) {
        return WriteAll(bytes);
    }
    using TClock = TStopSignal::TClock;
    const TClock::time_point start = std::max(TClock::now(), LineFreeAt_);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const TClock::time_point due = start + static_cast<long long>(sent) * ByteTime_;
        if (!Stop_.SleepUntil(due)) {
            return false;
        }
        const auto late = TClock::now() - due;
        const std::size_t dueCount = 1 + static_cast<std::size_t>(late / ByteTime_);
        const std::size_t count = std::min(dueCount, bytes.size() - sent);
        if (!WriteAll(bytes.substr(sent, count))) {
            return false;
        }
        sent += count;
    }
    LineFreeAt_ = start + static_cast<long long>(bytes.size()) * ByteTime_;
    return true;
}

bool TPacedWriter::WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(Fd_, bytes.data(), bytes.size());
        if (n >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!Stop_.WaitUntilWritable(Fd_)) {
                return false;
            }
        } else if (errno != EINTR) {
            throw SystemError("cannot write to the line");
        }
    }
    return true;
}

}  // namespace norvane::sim
