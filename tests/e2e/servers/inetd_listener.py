"""An inetd of one service for servers that speak on stdin and stdout (Debian's sredird):
each connection on a free 127.0.0.1 port gets its own instance of COMMAND, one at a time.

Usage: inetd_listener.py READY_FILE LIFETIME_SECONDS COMMAND [ARGS...]

COMMAND runs in the ready file's folder, where relative paths among ARGS (a lock file)
are private to this instance.

Ends after LIFETIME_SECONDS, on SIGTERM, or when its parent ends, and takes a running
instance with it."""

import os
import signal
import subprocess
import sys

import rig_common

running = None


def stop(*_):
    if running is not None and running.poll() is None:
        running.kill()
        running.wait()
    sys.exit(0)


def run_service(command, sock, ready, lifetime):
    global running
    # Left with Nagle's algorithm on, as inetd leaves it: sredird then writes a reply in
    # pieces that each wait for the client's acknowledgement, and the client must not delay
    # it.
    running = subprocess.Popen(command, stdin=sock.fileno(), stdout=sock.fileno(),
                               stderr=subprocess.DEVNULL, close_fds=True,
                               cwd=os.path.dirname(os.path.abspath(ready)))
    sock.close()
    while running.poll() is None and not lifetime.over():
        try:
            running.wait(timeout=0.2)
        except subprocess.TimeoutExpired:
            pass


def main():
    ready, lifetime = sys.argv[1], rig_common.Lifetime(float(sys.argv[2]))
    command = sys.argv[3:]
    rig_common.die_with_parent()
    signal.signal(signal.SIGTERM, stop)
    rig_common.serve(ready, lifetime, lambda sock: run_service(command, sock, ready, lifetime))
    stop()


if __name__ == "__main__":
    main()
