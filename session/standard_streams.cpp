#include "session/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

namespace norvane::session {

void EnsureStandardStreamsOpen() noexcept {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1) {
            // open() returns the lowest free number, which is fd itself.
            const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (opened != fd && opened >= 0) {
                ::close(opened);
            }
        }
    }
}

}  // namespace norvane::session
