"""pyserial's RFC 2217 server as a peer we did not write: its PortManager in front of a tty,
one client at a time, the tty opened per connection as a device server does.

Usage: pyserial_rfc2217_server.py READY_FILE TTY [LIFETIME_SECONDS]

Ends after LIFETIME_SECONDS (default 300), on SIGTERM, or when its parent ends."""

import errno
import socket
import sys
import threading

import serial
import serial.rfc2217

import rig_common

# A pseudo-terminal has no modem lines: the ioctls for them fail with EINVAL or ENOTTY.
# Lines that cannot be read read as off, and settings for them are dropped.
NO_MODEM_LINES = (errno.EINVAL, errno.ENOTTY)


class LineWithoutModemLines(serial.Serial):
    def _tolerant(self, action, default=None):
        try:
            return action()
        except OSError as error:
            if error.errno not in NO_MODEM_LINES:
                raise
            return default

    def _update_dtr_state(self):
        self._tolerant(super()._update_dtr_state)

    def _update_rts_state(self):
        self._tolerant(super()._update_rts_state)

    def _modem_line(name):  # noqa: N805 - builds a property in the class body
        line = getattr(serial.Serial, name)
        return property(lambda self: self._tolerant(lambda: line.fget(self), False))

    cts = _modem_line("cts")
    dsr = _modem_line("dsr")
    ri = _modem_line("ri")
    cd = _modem_line("cd")
    del _modem_line


class Connection:
    """What PortManager writes to: the socket, shared by both directions."""

    def __init__(self, sock):
        self.sock = sock
        self.lock = threading.Lock()

    def write(self, data):
        with self.lock:
            self.sock.sendall(data)


def line_to_client(line, manager, connection, stop):
    try:
        while not stop.is_set():
            data = line.read(line.in_waiting or 1)
            if data:
                connection.write(b"".join(manager.escape(data)))
            manager.check_modem_lines()
    except (OSError, serial.SerialException):
        pass
    stop.set()


def serve_one(sock, tty, lifetime):
    # As pyserial's own example server does: without it a reply split by the tty waits for
    # the client's delayed acknowledgement, some 40 ms an exchange.
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    line = LineWithoutModemLines(tty, 9600, timeout=0.1)
    connection = Connection(sock)
    manager = serial.rfc2217.PortManager(line, connection)
    stop = threading.Event()
    reader = threading.Thread(target=line_to_client, args=(line, manager, connection, stop))
    reader.start()
    sock.settimeout(0.2)
    try:
        while not stop.is_set() and not lifetime.over():
            try:
                data = sock.recv(4096)
            except socket.timeout:
                continue
            if not data:
                break
            line.write(b"".join(manager.filter(data)))
    except OSError:
        pass
    finally:
        stop.set()
        reader.join()
        line.close()


def main():
    ready, tty = sys.argv[1], sys.argv[2]
    lifetime = rig_common.Lifetime(float(sys.argv[3]) if len(sys.argv) > 3 else 300)
    rig_common.die_with_parent()
    rig_common.serve(ready, lifetime, lambda sock: serve_one(sock, tty, lifetime))


if __name__ == "__main__":
    main()
