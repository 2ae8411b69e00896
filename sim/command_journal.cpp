#include "sim/command_journal.h"

#include <fcntl.h>

#include <cerrno>
#include <stdexcept>

#include "base/link_following.h"
#include "sim/system_error.h"

namespace norvane::sim {

namespace {

// The journal follows a link only as the other writers of files do. The resolved path holds
// no link, so O_NOFOLLOW only stops one planted between the check and the open.
int OpenJournal(const std::string& path) {
    std::string resolved;
    try {
        resolved = base::ResolveLinksForWriting(path);
    } catch (const base::TWritePathError& refused) {
        throw std::runtime_error("cannot open the journal " + path + ": " + refused.what());
    }
    return ::open(resolved.c_str(),
                  O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
}

}  // namespace

TCommandJournal::TCommandJournal(const std::string& path) : Path_(path), File_(OpenJournal(path)) {
    if (!File_.IsOpen()) {
        throw SystemError("cannot open the journal " + path);
    }
}

void TCommandJournal::Record(std::string_view command) {
    std::string line(command);
    line += '\n';
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(File_.Get(), line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw SystemError("cannot write the journal " + Path_);
        }
        written += static_cast<std::size_t>(n);
    }
}

}  // namespace norvane::sim
