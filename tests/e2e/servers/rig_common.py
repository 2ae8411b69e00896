"""What the test servers share: a listening socket on a free 127.0.0.1 port announced
through a ready file, and an end that never depends on the test remembering to kill them.

The ready file is written whole and then renamed into place, so a reader never sees half
a port number. Each accepted connection appends a line to the "accepted" file next to it,
which lets a test act once the client is connected rather than after a guessed pause."""

import ctypes
import os
import signal
import socket
import sys
import time

PR_SET_PDEATHSIG = 1


def die_with_parent():
    """Ends this process when the test that started it ends, however that happens."""
    parent = os.getppid()
    try:
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
    except (OSError, AttributeError):
        pass  # the getppid check in Lifetime.over() still notices
    # The parent may have gone between fork and prctl.
    if os.getppid() != parent:
        sys.exit(1)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))


class Lifetime:
    """A deadline plus the parent's survival: every loop in these scripts asks over()."""

    def __init__(self, seconds):
        self.parent = os.getppid()
        self.deadline = time.monotonic() + seconds

    def over(self):
        return time.monotonic() >= self.deadline or os.getppid() != self.parent

    def left(self, cap=None):
        left = max(0.0, self.deadline - time.monotonic())
        return left if cap is None else min(left, cap)


def listen(receive_buffer=None):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    if receive_buffer is not None:
        # Set before listen(): an accepted socket inherits it, and the window it
        # advertises is fixed by then.
        server.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
    server.bind(("127.0.0.1", 0))
    server.listen(4)
    return server


def announce(ready_path, port):
    temporary = ready_path + ".tmp"
    with open(temporary, "w") as ready:
        ready.write("%d\n" % port)
    os.rename(temporary, ready_path)


def note_accepted(ready_path):
    with open(os.path.join(os.path.dirname(ready_path) or ".", "accepted"), "a") as accepted:
        accepted.write("1\n")


def accept(server, lifetime):
    """The next connection, or None once the lifetime is over."""
    server.settimeout(0.2)
    while not lifetime.over():
        try:
            connection, _ = server.accept()
        except socket.timeout:
            continue
        connection.settimeout(None)
        return connection
    return None


def serve(ready_path, lifetime, handle, receive_buffer=None):
    """Announces a fresh port in the ready file and hands each connection to handle(sock),
    one at a time, until the lifetime is over; the socket is closed after."""
    server = listen(receive_buffer)
    announce(ready_path, server.getsockname()[1])
    while not lifetime.over():
        sock = accept(server, lifetime)
        if sock is None:
            break
        note_accepted(ready_path)
        try:
            handle(sock)
        finally:
            sock.close()
