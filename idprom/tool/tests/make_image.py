#!/usr/bin/env python3
"""Writes a SPROM image with known field values and correct block checksums.

usage: make_image.py board|fan|psu OUT [--text OFFSET WIDTH VALUE]...
                     [--bytes OFFSET HEX]... [--corrupt OFFSET]

The values are the ones idpromtool_system.sh expects to see when the image
is shown.  --text and --bytes change fields before the checksums are
computed; --corrupt flips a bit after.  Images are big-endian, as all three
built-in layouts are.
"""
import struct
import sys

SIZES = {"board": 270, "fan": 226, "psu": 202}
# (block start, block length, checksum offset) per layout
BLOCKS = {
    "board": [(0, 160, 4), (160, 103, 164)],
    "fan": [(0, 160, 4), (160, 32, 164), (192, 28, 196)],
    "psu": [(0, 160, 4), (160, 36, 164)],
}


def put(img, offset, data):
    img[offset:offset + len(data)] = data


def text(img, offset, width, value):
    put(img, offset, value.encode().ljust(width, b"\0"))


def common(img, kind):
    put(img, 0, struct.pack(">HBB", 0xABCD, 1, 160))
    put(img, 6, struct.pack(">HHHH", SIZES[kind], len(BLOCKS[kind]), 0x00F2, 0x0007))
    text(img, 14, 20, "EXAMPLE CORP")
    text(img, 34, 20, {"board": "LC-48X", "fan": "FAN-TRAY-2", "psu": "PSU-3KW"}[kind])
    text(img, 54, 20, "SN0001")
    text(img, 74, 16, "73-0001-01")
    text(img, 90, 4, "A0")
    put(img, 114, struct.pack(">HHHH", 1, 2, 0x0010, 0x0020))
    put(img, 122, struct.pack(">8H", 1, 3, 6, 1, 0, 0, 0, 0))
    put(img, 138, struct.pack(">h", -5))
    put(img, 140, bytes([1, 2, 3, 4]))
    text(img, 144, 12, "CLEI0001")
    text(img, 156, 4, "V01")


def fan(img):
    put(img, 160, struct.pack(">HBB", 0x4654, 1, 32))
    put(img, 166, struct.pack(">QQHHbbhH", 0x11, 0x22, 7, 300, 40, -1, -12, 500))
    put(img, 192, struct.pack(">HBB", 0x534E, 1, 28))
    text(img, 198, 20, "FT-SERIAL-9")


def psu(img):
    put(img, 160, struct.pack(">HBB", 0x5053, 2, 36))
    put(img, 166, struct.pack(">QHHHhhhhHHHH", 0x33, 110, 220, 9, 1, -2, 3, -4, 10, 20, 30, 40))


def board(img):
    put(img, 160, struct.pack(">HBB", 0x4C43, 1, 103))
    put(img, 166, struct.pack(">QQH", 0x44, 0x55, 27065))
    put(img, 184, bytes([0x00, 0x11, 0x22, 0x33, 0x44, 0x55]))
    put(img, 190, struct.pack(">HBB", 64, 0x0F, 3))
    put(img, 224, struct.pack(">8H", 0x0102, 0x0304, 0, 0, 0, 0, 0, 0))
    put(img, 240, struct.pack(">H", 512))
    put(img, 242, bytes([0xFB, 0x28] * 8))
    put(img, 258, struct.pack(">HHb", 150, 20, 35))


def main():
    kind, out, args = sys.argv[1], sys.argv[2], sys.argv[3:]
    img = bytearray(SIZES[kind])
    common(img, kind)
    {"board": board, "fan": fan, "psu": psu}[kind](img)
    corrupt = []
    while args:
        if args[0] == "--text":
            text(img, int(args[1], 0), int(args[2], 0), args[3])
            args = args[4:]
        elif args[0] == "--bytes":
            put(img, int(args[1], 0), bytes.fromhex(args[2]))
            args = args[3:]
        elif args[0] == "--corrupt":
            corrupt.append(int(args[1], 0))
            args = args[2:]
        else:
            sys.exit("make_image.py: unknown option " + args[0])
    for start, length, at in BLOCKS[kind]:
        total = sum(b for i, b in enumerate(img[start:start + length]) if start + i not in (at, at + 1))
        put(img, at, struct.pack(">H", total & 0xFFFF))
    for offset in corrupt:
        img[offset] ^= 0x01
    with open(out, "wb") as f:
        f.write(img)


if __name__ == "__main__":
    main()
