"""An RFC 2217 server that misbehaves in one chosen way, for what a client must survive:
stdlib only, bounded in time and in what it sends.

Usage: hostile_rfc2217_server.py READY_FILE MODE

Modes:
  compress-at-open          starts COMPRESS2 (never agreed) at once, then 50 zlib blocks
                            that inflate to 1 MiB of 'A' each
  compress-mid-transfer     answers the negotiation, then does the same at the first data
  flood-at-open             sends data as fast as it can, confirming nothing, up to 30 s
  never-read                never reads (tiny receive buffer) and keeps asking WILL/DO for
                            every option, so the client's answers pile up, up to 30 s
  refuse-text               "Port already in use" and a close
  refuse-after-negotiation  the same after ser2net's opening negotiation, and a reset rather
                            than a close, as ser2net refuses a second client
  dont-comport              answers WILL COM-PORT-OPTION with DONT, like a plain telnet port
  silent                    reads and discards, never sends
  confirm-then-flood-at-close
                            a working instrument that, having answered the last cell's
                            query, floods data for up to 30 s
  baud-refuse               confirms every SET-BAUDRATE with 9600

Each connection is served in turn; the script ends after at most 60 s, on SIGTERM, or when
its parent ends."""

import select
import socket
import struct
import sys
import time
import zlib

import rig_common

IAC, DONT, DO, WONT, WILL, SB, SE = 255, 254, 253, 252, 251, 250, 240
BINARY, SGA, COM_PORT, COMPRESS2 = 0, 3, 44, 86
AGREED = (BINARY, SGA, COM_PORT)
SET_BAUDRATE, PURGE_DATA, REPLY_OFFSET = 1, 12, 100
LAST_CELL = 1899

# ser2net's opening, byte for byte: WILL SGA, DO SGA, WILL ECHO, DONT ECHO, DO BINARY,
# WILL BINARY, DO COM-PORT-OPTION.
SER2NET_OPENING = bytes([IAC, WILL, 3, IAC, DO, 3, IAC, WILL, 1, IAC, DONT, 1,
                         IAC, DO, 0, IAC, WILL, 0, IAC, DO, 44])
REFUSAL = b"Port already in use\r\n"
FLOOD_SECONDS = 30
CHUNK = b"x" * 65536


def compression_bomb():
    start = bytes([IAC, SB, COMPRESS2, IAC, SE])
    stream = zlib.compressobj(9)
    block = b"A" * (1 << 20)
    body = b"".join(stream.compress(block) + stream.flush(zlib.Z_SYNC_FLUSH)
                    for _ in range(50))
    return start + body


class Telnet:
    """Splits what the client sends into data, option requests and subnegotiations."""

    def __init__(self):
        self.state = "data"
        self.verb = None
        self.body = bytearray()

    def feed(self, received):
        events, data = [], bytearray()
        for byte in received:
            if self.state == "data":
                if byte == IAC:
                    self.state = "iac"
                else:
                    data.append(byte)
            elif self.state == "iac":
                self.state = "data"
                if byte == IAC:
                    data.append(IAC)
                elif byte in (WILL, WONT, DO, DONT):
                    self.verb, self.state = byte, "option"
                elif byte == SB:
                    self.body, self.state = bytearray(), "sb"
            elif self.state == "option":
                events.append(("option", self.verb, byte))
                self.state = "data"
            elif self.state == "sb":
                if byte == IAC:
                    self.state = "sb-iac"
                else:
                    self.body.append(byte)
            elif self.state == "sb-iac":
                if byte == IAC:
                    self.body.append(IAC)
                    self.state = "sb"
                else:  # SE, or anything ending it
                    events.append(("sb", bytes(self.body)))
                    self.state = "data"
        if data:
            events.append(("data", bytes(data)))
        return events


def escaped(value):
    return value.replace(bytes([IAC]), bytes([IAC, IAC]))


class Peer:
    """One client connection, every wait on it bounded by the script's lifetime."""

    def __init__(self, sock, lifetime):
        self.sock = sock
        self.lifetime = lifetime
        sock.setblocking(False)
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def send(self, data, until=None):
        """False once the client is gone or time is up."""
        view = memoryview(data)
        while view:
            if self.lifetime.over() or (until is not None and time.monotonic() >= until):
                return False
            _, writable, _ = select.select([], [self.sock], [], 0.2)
            if not writable:
                continue
            try:
                view = view[self.sock.send(view):]
            except BlockingIOError:
                continue
            except OSError:
                return False
        return True

    def receive(self, wait=0.2):
        """Bytes received, b"" when nothing came, None once the client is gone."""
        readable, _, _ = select.select([self.sock], [], [], wait)
        if not readable:
            return b""
        try:
            return self.sock.recv(65536) or None
        except BlockingIOError:
            return b""
        except OSError:
            return None

    def drain_queued(self):
        """Reads what has arrived, so that a close is a close and not a reset."""
        while self.receive(0) not in (b"", None):
            pass

    def drain(self):
        while not self.lifetime.over():
            if self.receive() is None:
                return

    def flood(self, seconds):
        until = time.monotonic() + seconds
        while time.monotonic() < until and not self.lifetime.over():
            # Whatever the client says is read and dropped, so it is never held up by us.
            try:
                if self.sock.recv(65536) == b"":
                    return
            except BlockingIOError:
                pass
            except OSError:
                return
            if not self.send(CHUNK, until):
                return


class Negotiator:
    """Just enough of a server: agrees BINARY, SGA and the com port option, and confirms
    every com port command by echoing its value."""

    def __init__(self, peer, baud_answer=None):
        self.peer = peer
        self.baud_answer = baud_answer
        self.answered = set()

    def handle(self, event):
        if event[0] == "option":
            _, verb, option = event
            if (verb, option) in self.answered or verb in (WONT, DONT):
                return
            self.answered.add((verb, option))
            if verb == WILL:
                answer = DO if option in AGREED else DONT
            else:
                answer = WILL if option in AGREED else WONT
            self.peer.send(bytes([IAC, answer, option]))
        elif event[0] == "sb" and len(event[1]) >= 2 and event[1][0] == COM_PORT:
            command, value = event[1][1], event[1][2:]
            if command > PURGE_DATA:
                return
            if command == SET_BAUDRATE and self.baud_answer is not None:
                value = struct.pack("!I", self.baud_answer)
            self.peer.send(bytes([IAC, SB, COM_PORT, command + REPLY_OFFSET]) +
                           escaped(value) + bytes([IAC, SE]))


def events_until_gone(peer):
    telnet = Telnet()
    while not peer.lifetime.over():
        received = peer.receive()
        if received is None:
            return
        yield from telnet.feed(received)


def compress_at_open(peer):
    if peer.send(compression_bomb()):
        peer.drain()


def compress_mid_transfer(peer):
    negotiator = Negotiator(peer)
    for event in events_until_gone(peer):
        if event[0] == "data":
            if peer.send(compression_bomb()):
                peer.drain()
            return
        negotiator.handle(event)


def flood_at_open(peer):
    peer.flood(FLOOD_SECONDS)


def never_read(peer):
    requests = b"".join(bytes([IAC, WILL, option, IAC, DO, option]) for option in range(256))
    until = time.monotonic() + FLOOD_SECONDS
    while time.monotonic() < until and peer.send(requests, until):
        pass


def refuse(peer, opening, reset):
    """The opening at once and the refusal once the client has spoken, left unread: the
    order and the reset ser2net's refusal comes in."""
    peer.send(opening)
    while not peer.lifetime.over():
        readable, _, _ = select.select([peer.sock], [], [], 0.2)
        if readable:
            break
    peer.send(REFUSAL)
    if reset:
        # Lingering zero seconds turns the close into a reset at once.
        peer.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    else:
        peer.drain_queued()
    peer.sock.close()


def dont_comport(peer):
    for event in events_until_gone(peer):
        if event[0] == "option" and event[1:] == (WILL, COM_PORT):
            peer.send(bytes([IAC, DONT, COM_PORT]))


def confirm_then_flood_at_close(peer):
    negotiator = Negotiator(peer)
    pending = b""
    for event in events_until_gone(peer):
        if event[0] != "data":
            negotiator.handle(event)
            continue
        pending += event[1]
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            command = line.strip(b"\r")
            cell = command[len(b"?B1/"):] if command.startswith(b"?B1/") else b""
            # The line clear and every query get an answer the download stores.
            reply = b"*" + (cell + b",flooded " + cell if cell else b"") + b"\r\n"
            if not peer.send(reply):
                return
            if cell == str(LAST_CELL).encode():
                peer.flood(FLOOD_SECONDS)
                return


def baud_refuse(peer):
    negotiator = Negotiator(peer, baud_answer=9600)
    for event in events_until_gone(peer):
        negotiator.handle(event)


def silent(peer):
    peer.drain()


MODES = {
    "compress-at-open": compress_at_open,
    "compress-mid-transfer": compress_mid_transfer,
    "flood-at-open": flood_at_open,
    "never-read": never_read,
    "refuse-text": lambda peer: refuse(peer, b"", reset=False),
    "refuse-after-negotiation": lambda peer: refuse(peer, SER2NET_OPENING, reset=True),
    "dont-comport": dont_comport,
    "silent": silent,
    "confirm-then-flood-at-close": confirm_then_flood_at_close,
    "baud-refuse": baud_refuse,
}


def main():
    ready, mode = sys.argv[1], sys.argv[2]
    serve = MODES[mode]
    lifetime = rig_common.Lifetime(60)
    rig_common.die_with_parent()
    # A few KiB at most: the kernel's minimum, whatever is asked.
    rig_common.serve(ready, lifetime, lambda sock: serve(Peer(sock, lifetime)),
                     receive_buffer=1 if mode == "never-read" else None)


if __name__ == "__main__":
    main()
