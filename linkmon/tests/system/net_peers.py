#!/usr/bin/python3
"""Raw linkmon peers for the end-to-end tests of the network side.

  net_peers.py wire ACTION COMMAND BDF [LEN]    prints the request's bytes on the wire (hex)
  net_peers.py raw HEX [WAIT]                   sends the bytes, prints "eof N" or "open N"
  net_peers.py flood N HEX                      N connections that send the bytes and close
  net_peers.py stuck READY STOP SECONDS         listens with a full queue (READY is touched
                                                once it is full) until STOP exists
  net_peers.py clients N SECONDS [options]      registers N clients, reads for SECONDS
      --silent K    K more peers that connect and send nothing
      --stalled K   K registered clients that never read (small receive buffer)
      --ready FILE  touched once every client is registered
      --stop FILE   stop once FILE exists, after reading what has reached the
                    clients by then
      --dump        also print every whole record received:
                    "record I ROW NLS NTFMSK NICERR HWID" (numbers in hex)
      --until ROW:MASK  stop once every reading client has a whole record of
                    that row and notification mask (hex)
  Each registered client is reported as "client I BYTES open|eof".
"""
import os
import select
import socket
import struct
import sys
import time

SERVER = ("10.0.2.16", 11000)
RECORD = 480


def word(action, command, bdf):
    return (0x1234 << 48) | (action << 24) | (command << 16) | (bdf & 0xFFFF)


def connect():
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.connect(SERVER)
    return s


def raw(hexbytes, wait):
    s = connect()
    s.sendall(bytes.fromhex(hexbytes))
    s.settimeout(wait)
    got = 0
    try:
        while True:
            chunk = s.recv(4096)
            if not chunk:
                print("eof", got)
                return
            got += len(chunk)
    except socket.timeout:
        print("open", got)


def flood(n, hexbytes):
    """n connections one after the other, each sending the bytes and
    closing at once."""
    data = bytes.fromhex(hexbytes)
    for _ in range(n):
        s = connect()
        s.sendall(data)
        s.close()


def register(stalled):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    if stalled:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1024)
    s.connect(SERVER)
    # A state request with value 0: monitoring goes on, the peer is registered.
    s.sendall(struct.pack("<Q", word(0, 0, 0)))
    return s


def has_record(data, row, mask):
    for off in range(0, len(data) - RECORD + 1, RECORD):
        if (struct.unpack_from("<I", data, off)[0] == row and
                struct.unpack_from("<I", data, off + 188)[0] == mask):
            return True
    return False


def clients(n, seconds, opts):
    silent = [connect() for _ in range(int(opts.get("--silent", 0)))]
    stalled = [register(True) for _ in range(int(opts.get("--stalled", 0)))]
    readers = []
    for _ in range(n):
        readers.append(register(False))
        # A connection the server's queue has no room for waits a second
        # for its SYN to be sent again: keep pace with the server.
        time.sleep(0.002)
    if "--ready" in opts:
        open(opts["--ready"], "w").close()
    got = [0] * n
    data = [b""] * n
    eof = [False] * n
    deadline = time.time() + seconds
    stop = opts.get("--stop")
    until = None
    if "--until" in opts:
        until = tuple(int(v, 16) for v in opts["--until"].split(":"))
    seen = [False] * n

    def read_ready(wait):
        """Reads what the live readers have; False when none had anything."""
        live = [s for i, s in enumerate(readers) if not eof[i]]
        if not live:
            time.sleep(wait)
            return False
        ready, _, _ = select.select(live, [], [], wait)
        for s in ready:
            i = readers.index(s)
            try:
                chunk = s.recv(65536)
            except OSError:
                chunk = b""
            if chunk:
                got[i] += len(chunk)
                data[i] += chunk
                if until and not seen[i]:
                    seen[i] = has_record(data[i], *until)
            else:
                eof[i] = True
        return bool(ready)

    while time.time() < deadline and not (readers and all(eof)):
        if stop and os.path.exists(stop):
            # What was sent before the mark is in the sockets: take it.
            while time.time() < deadline and read_ready(0.2):
                pass
            break
        if until and all(seen):
            break
        read_ready(0.05)
    for i in range(n):
        print("client", i, got[i], "eof" if eof[i] else "open")
        if "--dump" not in opts:
            continue
        for off in range(0, len(data[i]) - RECORD + 1, RECORD):
            rec = data[i][off:off + RECORD]
            row, = struct.unpack_from("<I", rec, 0)
            nls, = struct.unpack_from("<I", rec, 60)
            mask, = struct.unpack_from("<I", rec, 188)
            nicerr, = struct.unpack_from("<I", rec, 208)
            hwid = rec[312:352].split(b"\0")[0].decode(errors="replace")
            print("record %d %x %x %x %x %s" % (i, row, nls, mask, nicerr, hwid))
    for j, s in enumerate(stalled):
        s.setblocking(False)
        total, closed = 0, False
        try:
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    closed = True
                    break
                total += len(chunk)
        except (BlockingIOError, OSError):
            pass
        print("stalled", j, total, "eof" if closed else "open")
    for s in silent + stalled + readers:
        s.close()


def stuck(ready, stop, seconds):
    """A server whose queue is full: one connection nobody accepts fills
    a listen queue of 0, and the next connection's SYN is dropped. Ends
    once the file stop exists, or after seconds."""
    lsock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    lsock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    lsock.bind(SERVER)
    lsock.listen(0)
    held = connect()
    open(ready, "w").close()
    deadline = time.time() + seconds
    while time.time() < deadline and not os.path.exists(stop):
        time.sleep(0.05)
    held.close()
    lsock.close()


def main(argv):
    if argv[1] == "wire":
        length = int(argv[5]) if len(argv) > 5 else 8
        print(struct.pack("<Q", word(int(argv[2]), int(argv[3]), int(argv[4], 0)))[:length].hex())
    elif argv[1] == "raw":
        raw(argv[2], float(argv[3]) if len(argv) > 3 else 2.0)
    elif argv[1] == "flood":
        flood(int(argv[2]), argv[3])
    elif argv[1] == "stuck":
        stuck(argv[2], argv[3], float(argv[4]))
    elif argv[1] == "clients":
        rest = argv[4:]
        opts = {}
        i = 0
        while i < len(rest):
            if rest[i] == "--dump":
                opts[rest[i]] = True
                i += 1
                continue
            opts[rest[i]] = rest[i + 1]
            i += 2
        clients(int(argv[2]), float(argv[3]), opts)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
