"""A slow, fragmenting link between a client and a server on 127.0.0.1: every byte is held
back DELAY_MS in each direction and sent on in a TCP segment of its own, so that replies
come late and every Telnet sequence arrives split across reads.

Usage: delaying_proxy.py READY_FILE TARGET_PORT DELAY_MS SLOW_SECONDS

The delay applies to what arrives in the first SLOW_SECONDS of each connection (the
opening, where the time limits are); later bytes are only split. One connection at a
time; ends after at most 600 s, on SIGTERM, or when its parent ends."""

import collections
import fcntl
import socket
import struct
import sys
import threading
import time

import rig_common


SIOCOUTQNSD = 0x894B  # bytes queued but not yet sent in a segment (linux/sockios.h)


def unsent(sock):
    return struct.unpack("i", fcntl.ioctl(sock.fileno(), SIOCOUTQNSD, b"\0\0\0\0"))[0]


class Direction:
    """Bytes from one socket to the other, each sent once its time has come."""

    def __init__(self, source, target, delay, slow_until, lifetime, done):
        self.source, self.target = source, target
        self.delay, self.slow_until = delay, slow_until
        self.lifetime, self.done = lifetime, done
        self.queue = collections.deque()
        self.ready = threading.Condition()

    def receive(self):
        self.source.settimeout(0.2)
        while not self.done.is_set() and not self.lifetime.over():
            try:
                data = self.source.recv(65536)
            except socket.timeout:
                continue
            except OSError:
                break
            if not data:
                break
            now = time.monotonic()
            due = now + self.delay if now < self.slow_until else now
            with self.ready:
                self.queue.append((due, data))
                self.ready.notify()
        with self.ready:
            self.queue.append((None, None))  # the end, after what is still queued
            self.ready.notify()

    def send(self):
        while not self.done.is_set() and not self.lifetime.over():
            with self.ready:
                if not self.queue:
                    self.ready.wait(0.2)
                    continue
                due, data = self.queue.popleft()
            if data is None:
                break
            while time.monotonic() < due and not self.lifetime.over():
                time.sleep(min(0.01, max(0.0, due - time.monotonic())))
            try:
                for byte in data:
                    self.target.sendall(bytes([byte]))
                    # Until the byte has left, the kernel could add the next one to its
                    # segment.
                    limit = time.monotonic() + 0.05
                    while unsent(self.target) > 0 and time.monotonic() < limit:
                        time.sleep(0)
            except OSError:
                break
        self.done.set()


def serve_one(client, target_port, delay, slow_seconds, lifetime):
    try:
        server = socket.create_connection(("127.0.0.1", target_port), timeout=5)
    except OSError:
        return
    for sock in (client, server):
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    done = threading.Event()
    slow_until = time.monotonic() + slow_seconds
    directions = [Direction(client, server, delay, slow_until, lifetime, done),
                  Direction(server, client, delay, slow_until, lifetime, done)]
    threads = [threading.Thread(target=work) for direction in directions
               for work in (direction.receive, direction.send)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    # A close from either side reaches the other only after what was in flight.
    for sock in (client, server):
        try:
            sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        sock.close()


def main():
    ready, target_port = sys.argv[1], int(sys.argv[2])
    delay, slow_seconds = float(sys.argv[3]) / 1000, float(sys.argv[4])
    lifetime = rig_common.Lifetime(600)
    rig_common.die_with_parent()
    rig_common.serve(ready, lifetime,
                     lambda client: serve_one(client, target_port, delay, slow_seconds, lifetime))


if __name__ == "__main__":
    main()
