#include "sim/serial_endpoint.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <cerrno>
#include <climits>
#include <stdexcept>

#include "sim/system_error.h"

namespace norvane::sim {

namespace {

void MakeRaw(int fd, const std::string& path) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        throw SystemError("cannot read the line settings of " + path);
    }
    cfmakeraw(&settings);
    // Ignore modem control lines: a pseudo-terminal has none, and a null-modem cable may not
    // carry carrier detect.
    settings.c_cflag |= CLOCAL | CREAD;
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        throw SystemError("cannot set " + path + " raw");
    }
}

void MakeNonBlockingAndPrivate(int fd, const std::string& path) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 ||
        fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
        throw SystemError("cannot set the descriptor flags of " + path);
    }
}

TFileDescriptor OpenMaster() {
    TFileDescriptor master(posix_openpt(O_RDWR | O_NOCTTY));
    if (!master.IsOpen()) {
        throw SystemError("cannot open a pseudo-terminal");
    }
    if (grantpt(master.Get()) != 0 || unlockpt(master.Get()) != 0) {
        throw SystemError("cannot unlock the pseudo-terminal");
    }
    MakeNonBlockingAndPrivate(master.Get(), "the pseudo-terminal");
    return master;
}

std::string SlavePathOf(int master) {
    char path[PATH_MAX];
    const int failure = ptsname_r(master, path, sizeof path);
    if (failure != 0) {
        errno = failure;
        throw SystemError("cannot name the pseudo-terminal's client end");
    }
    return path;
}

TFileDescriptor OpenTerminal(const std::string& path, int extraFlags) {
    TFileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | extraFlags));
    if (!fd.IsOpen()) {
        throw SystemError("cannot open " + path);
    }
    if (!isatty(fd.Get())) {
        throw std::runtime_error("cannot use " + path + ": not a terminal");
    }
    return fd;
}

}  // namespace

TSerialEndpoint::TSerialEndpoint(TFileDescriptor line, TFileDescriptor heldClient,
                                 std::string clientPath)
    : Line_(std::move(line)),
      HeldClient_(std::move(heldClient)),
      ClientPath_(std::move(clientPath)) {}

TSerialEndpoint TSerialEndpoint::OpenPseudoTerminal() {
    TFileDescriptor master = OpenMaster();
    std::string slavePath = SlavePathOf(master.Get());
    TFileDescriptor slave = OpenTerminal(slavePath, 0);
    // The settings belong to the terminal, not to a descriptor: a client that opens the
    // slave later finds it raw already.
    MakeRaw(slave.Get(), slavePath);
    return TSerialEndpoint(std::move(master), std::move(slave), std::move(slavePath));
}

TSerialEndpoint TSerialEndpoint::OpenDevice(const std::string& path) {
    TFileDescriptor line = OpenTerminal(path, O_NONBLOCK);
    MakeRaw(line.Get(), path);
    return TSerialEndpoint(std::move(line), TFileDescriptor(), path);
}

}  // namespace norvane::sim
