#!/usr/bin/python3
"""Simulated card: builds a configuration-space image from a topology and
changes it while pcie_monitor runs on it.

    cardsim.py build --topology FILE --vendor 0xF00D [--base 0x80000000] --out DIR
    cardsim.py poke DIR drop BDF                 function answers all ones
    cardsim.py poke DIR restore BDF [KEY=VALUE..] function as in the topology
                                                 (with topology keys changed)
    cardsim.py poke DIR link BDF VALUE           PCI Express Link Status
    cardsim.py poke DIR aer BDF [status=V] [mask=V] [severity=V]
    cardsim.py poke DIR bar BDF N VALUE          base address register N
    cardsim.py poke DIR ssts BDF PORT VALUE      PxSSTS of a SATA port
    cardsim.py poke DIR write BDF OFFSET WIDTH VALUE
    cardsim.py peek DIR BDF link|aer-status|aer-mask|bar N|OFFSET WIDTH
    cardsim.py w1c DIR BDF [TIMEOUT [STATUS]]    AER status write-1-to-clear

DIR is the card folder that build writes: card.img (sparse file of size
base + 0xC000000 with the configuration space at offset base; it is the
simulated /dev/mem), card.meta, card.topo, lspci/BB:DD.F (what lspci -vmm -s
prints) and sysfs/0000:BB:DD.F/hwid.

The running daemon maps card.img shared, so every change written here is what
its next configuration read sees.
"""

import copy
import json
import os
import shutil
import struct
import sys
import time

sys.dont_write_bytecode = True  # leave the source folder as it is
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import topology  # noqa: E402  (the module sits beside this script)

WINDOW = 0xC000000
ALL_ONES = b"\xff" * topology.PAGE


def scanned_functions():
    """Every function the daemon's scan visits: bus 0 whole, then devices
    0..15, functions 0 and 1 of buses 1..191."""
    for dev in range(32):
        for fn in range(8):
            yield (0, dev, fn)
    for bus in range(1, 192):
        for dev in range(16):
            yield (bus, dev, 0)
            yield (bus, dev, 1)


class Card:
    def __init__(self, folder):
        self.folder = folder
        with open(os.path.join(folder, "card.meta"), encoding="utf-8") as meta:
            info = json.load(meta)
        self.base = info["base"]
        self.vendor = info["vendor"]
        self.functions = {fn.bdf: fn for fn in topology.load(
            os.path.join(folder, "card.topo"), self.vendor)}

    def function(self, text):
        bdf = topology.parse_bdf(text)
        if bdf not in self.functions:
            raise SystemExit(f"cardsim: {text} is not in the topology")
        return self.functions[bdf]

    def _offset(self, bdf, reg):
        return self.base + topology.cfg_offset(bdf, reg)

    def write_at(self, address, data):
        fd = os.open(os.path.join(self.folder, "card.img"), os.O_WRONLY)
        try:
            os.pwrite(fd, data, address)
        finally:
            os.close(fd)

    def read_at(self, address, width):
        fd = os.open(os.path.join(self.folder, "card.img"), os.O_RDONLY)
        try:
            return os.pread(fd, width, address)
        finally:
            os.close(fd)

    def write_reg(self, bdf, reg, width, value):
        fmt = {1: "<B", 2: "<H", 4: "<I"}[width]
        self.write_at(self._offset(bdf, reg), struct.pack(fmt, value))

    def read_reg(self, bdf, reg, width):
        fmt = {1: "<B", 2: "<H", 4: "<I"}[width]
        return struct.unpack(fmt, self.read_at(self._offset(bdf, reg), width))[0]

    def drop(self, fn):
        self.write_at(self._offset(fn.bdf, 0), ALL_ONES)

    def restore(self, fn, overrides=()):
        """Writes the function's page as the topology has it, with topology
        keys (e.g. bar0=0x...) changed, in one write."""
        fn = copy.deepcopy(fn)
        for word in overrides:
            key, _, value = word.partition("=")
            topology.apply_key(fn, key, value)
        self.write_at(self._offset(fn.bdf, 0), topology.config_page(fn))

    def register(self, fn, name, index=None):
        """(offset, width) of a named register of a simulated function."""
        if name == "link":
            return topology.LINK_STATUS, 2
        if name == "aer-status":
            return topology.AER_STATUS, 4
        if name == "aer-mask":
            return topology.AER_MASK, 4
        if name == "aer-severity":
            return topology.AER_SEVERITY, 4
        if name == "bar":
            return 0x10 + 4 * int(index), 4
        raise SystemExit(f"cardsim: unknown register {name}")

    def ssts_address(self, fn, port):
        return fn.ahci_address() + topology.ahci_ssts_offset(port)


def build(topo_path, vendor, base, out):
    if base & (topology.PAGE - 1):
        raise SystemExit("cardsim: the base must be page aligned")
    functions = topology.load(topo_path, vendor)
    os.makedirs(out, exist_ok=True)
    for sub in ("lspci", "sysfs"):
        shutil.rmtree(os.path.join(out, sub), ignore_errors=True)
        os.makedirs(os.path.join(out, sub))
    shutil.copyfile(topo_path, os.path.join(out, "card.topo"))
    scanned = {topology.cfg_offset(bdf) for bdf in scanned_functions()}
    extra = []
    with _open_image(out, base) as img:
        _fill_scanned(img, base)
        for fn in functions:
            offset = topology.cfg_offset(fn.bdf)
            img.seek(base + offset)
            img.write(topology.config_page(fn))
            if offset not in scanned:
                extra.append(base + offset)
            if fn.ahci is not None:
                extra.append(_place_ahci(img, fn, base))
    with open(os.path.join(out, "card.meta"), "w", encoding="utf-8") as meta:
        json.dump({"base": base, "vendor": vendor, "extra": extra}, meta)
    for fn in functions:
        _write_side_files(out, fn)


def _open_image(out, base):
    """The image file, of size base + window. One left by an earlier build
    with the same base is rewritten in place (far cheaper than freeing and
    allocating its blocks again); the pages outside the scan that build
    wrote are cleared."""
    image = os.path.join(out, "card.img")
    try:
        with open(os.path.join(out, "card.meta"), encoding="utf-8") as meta:
            old = json.load(meta)
        if old["base"] != base or os.path.getsize(image) != base + WINDOW:
            raise ValueError
    except (OSError, ValueError, KeyError):
        img = open(image, "wb")
        img.truncate(base + WINDOW)
        return img
    img = open(image, "r+b")
    for address in old.get("extra", []):
        img.seek(address)
        img.write(bytes(topology.PAGE))
    return img


def _fill_scanned(img, base):
    """All ones over every page the scan visits: bus 0 whole, then
    functions 0 and 1 of devices 0..15 on buses 1..191."""
    img.seek(base)
    img.write(ALL_ONES * 256)
    for bus in range(1, 192):
        for dev in range(16):
            img.seek(base + topology.cfg_offset((bus, dev, 0)))
            img.write(ALL_ONES * 2)


def _place_ahci(img, fn, base):
    address = fn.ahci_address()
    if address is None or base <= address < base + WINDOW:
        raise SystemExit(f"cardsim: {topology.bdf_text(fn.bdf)}: the AHCI page needs "
                         "a memory BAR outside the configuration window")
    img.seek(address)
    img.write(topology.ahci_page(fn))
    return address


def _write_side_files(out, fn):
    name = topology.bdf_text(fn.bdf)
    with open(os.path.join(out, "lspci", name), "w", encoding="utf-8") as block:
        block.write(topology.lspci_block(fn))
    if fn.hwid is not None:
        folder = os.path.join(out, "sysfs", "0000:" + name)
        os.makedirs(folder)
        with open(os.path.join(folder, "hwid"), "w", encoding="utf-8") as hwid:
            hwid.write(fn.hwid + "\n")


def poke(card, op, args):
    fn = card.function(args[0])
    if op == "drop":
        card.drop(fn)
    elif op == "restore":
        card.restore(fn, args[1:])
    elif op == "link":
        card.write_reg(fn.bdf, topology.LINK_STATUS, 2, int(args[1], 0))
    elif op == "bar":
        card.write_reg(fn.bdf, *card.register(fn, "bar", args[1]), int(args[2], 0))
    elif op == "aer":
        for item in args[1:]:
            key, _, value = item.partition("=")
            card.write_reg(fn.bdf, *card.register(fn, "aer-" + key), int(value, 0))
    elif op == "ssts":
        card.write_at(card.ssts_address(fn, int(args[1])),
                      struct.pack("<I", int(args[2], 0)))
    elif op == "write":
        card.write_reg(fn.bdf, int(args[1], 0), int(args[2]), int(args[3], 0))
    else:
        raise SystemExit(f"cardsim: unknown change {op}")


def peek(card, args):
    fn = card.function(args[0])
    if args[1] in ("ssts",):
        raw = card.read_at(card.ssts_address(fn, int(args[2])), 4)
        value = struct.unpack("<I", raw)[0]
    elif args[1].startswith("0x") or args[1].isdigit():
        value = card.read_reg(fn.bdf, int(args[1], 0), int(args[2]))
    else:
        value = card.read_reg(fn.bdf, *card.register(fn, args[1], *args[2:3]))
    print("0x%08x" % value)


def w1c(card, args):
    """Write-1-to-clear for the AER status register: waits until a store
    replaces the current value, then leaves old AND NOT written (what the
    hardware keeps). Needs a current value with more bits than the store
    carries, or the store cannot be told from no store. With STATUS, sets
    the register to it first (no store can slip in between)."""
    fn = card.function(args[0])
    timeout = float(args[1]) if len(args) > 1 else 10.0
    reg, width = card.register(fn, "aer-status")
    if len(args) > 2:
        card.write_reg(fn.bdf, reg, width, int(args[2], 0))
    old = card.read_reg(fn.bdf, reg, width)
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        written = card.read_reg(fn.bdf, reg, width)
        if written != old:
            card.write_reg(fn.bdf, reg, width, old & ~written)
            print("0x%08x 0x%08x 0x%08x" % (old, written, old & ~written))
            return 0
        time.sleep(0.02)
    print("cardsim: no write to the AER status of %s" % args[0], file=sys.stderr)
    return 1


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    cmd = argv[1]
    if cmd == "build":
        opts = dict(zip(argv[2::2], argv[3::2]))
        build(opts["--topology"], int(opts["--vendor"], 0),
              int(opts.get("--base", "0x80000000"), 0), opts["--out"])
        return 0
    if len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    card = Card(argv[2])
    if cmd == "poke":
        poke(card, argv[3], argv[4:])
        return 0
    if cmd == "peek":
        peek(card, argv[3:])
        return 0
    if cmd == "w1c":
        return w1c(card, argv[3:])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
