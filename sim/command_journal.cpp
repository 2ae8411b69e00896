#include "sim/command_journal.h"

#include <fcntl.h>

#include <cerrno>

#include "sim/system_error.h"

namespace norvane::sim {

TCommandJournal::TCommandJournal(const std::string& path)
    : Path_(path),
      File_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644)) {
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
