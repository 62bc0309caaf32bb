"""Topology descriptions of a simulated card and the configuration pages they give.

One function per line:

    BB:DD.F  VENDOR:DEVICE  KIND  [key=value ...]

KIND is endpoint, bridge, sata or cardbus. VENDOR may be the word PLATFORM,
which stands for the platform maker's own vendor ID (given by the build).
Keys (numbers in C notation, text may be quoted):

    bus=P,S,S        primary, secondary, subordinate bus of a bridge
    link=0x3012      PCI Express capability with this Link Status
    slot=0x00480000  Slot Capabilities of the PCI Express capability
    aer=ST/MASK/SEV  AER capability: uncorrectable status, mask, severity
    bar0=..bar5=     base address registers (bridges: bar0 and bar1)
    ahci=0x5         AHCI page at the first memory BAR, Ports Implemented
    ssts=0:0x123,2:0x123   PxSSTS of the implemented ports
    hwid="text"      sysfs hwid file (written with a line end)
    name="text"      device name lspci gives; name=- : lspci knows nothing
    class=0x020000   class code (default from KIND)
    header=0x80      extra header-type bits (0x80: multi-function)
    caps=none        no capability list at all (Status bit 4 clear)

Lines starting with # and blank lines are ignored.
"""

import shlex
import struct
from dataclasses import dataclass, field

PAGE = 4096
HEADER_TYPES = {"endpoint": 0, "sata": 0, "bridge": 1, "cardbus": 2}
DEFAULT_CLASS = {"endpoint": 0x020000, "sata": 0x010601, "bridge": 0x060400,
                 "cardbus": 0x060700}

# Where this builder puts the capabilities inside a configuration page.
PM_CAP = 0x40
PCIE_CAP = 0x50
LINK_STATUS = PCIE_CAP + 0x12
SLOT_CAPS = PCIE_CAP + 0x14
DSN_CAP = 0x100
AER_CAP = 0x140
AER_STATUS = AER_CAP + 0x04
AER_MASK = AER_CAP + 0x08
AER_SEVERITY = AER_CAP + 0x0C

# AHCI register page
AHCI_PI = 0x0C


def ahci_ssts_offset(port):
    return 0x100 + 0x80 * port + 0x28


def parse_bdf(text):
    """'03:00.0' or '3:0.0' -> (3, 0, 0)."""
    bus, rest = text.split(":")
    dev, fn = rest.split(".")
    b, d, f = int(bus, 16), int(dev, 16), int(fn, 16)
    if not (0 <= b <= 255 and 0 <= d <= 31 and 0 <= f <= 7):
        raise ValueError(f"bad bus:device.function {text}")
    return b, d, f


def bdf_text(bdf):
    return "%02x:%02x.%x" % bdf


def cfg_offset(bdf, reg=0):
    bus, dev, fn = bdf
    return (((bus * 32 + dev) * 8 + fn) << 12) + reg


@dataclass
class Function:
    bdf: tuple
    vendor: int
    device: int
    kind: str
    buses: tuple = (0, 0, 0)
    link: int = None
    slot: int = 0
    aer: tuple = None
    bars: list = field(default_factory=lambda: [0] * 6)
    ahci: int = None
    ssts: dict = field(default_factory=dict)
    hwid: str = None
    name: str = ""
    cls: int = None
    header_bits: int = 0
    caps: bool = True

    @property
    def has_pcie(self):
        return self.link is not None or self.slot != 0

    def ahci_address(self):
        """Physical address of the AHCI page: the first memory BAR."""
        for bar in self.bars:
            if bar & 1 == 0:
                return bar & ~0xFFF
        return None

    def port_type(self):
        if self.kind != "bridge":
            return 0x0  # PCI Express endpoint
        if self.bdf[0] == 0:
            return 0x4  # root port
        return 0x6 if self.slot else 0x5  # switch downstream / upstream port


def _number(text):
    return int(text, 0)


def apply_key(fn, key, value):
    if key == "bus":
        fn.buses = tuple(_number(v) for v in value.split(","))
    elif key == "link":
        fn.link = _number(value)
    elif key == "slot":
        fn.slot = _number(value)
    elif key == "aer":
        fn.aer = tuple(_number(v) for v in value.split("/"))
    elif key.startswith("bar") and key[3:].isdigit():
        fn.bars[int(key[3:])] = _number(value)
    elif key == "ahci":
        fn.ahci = _number(value)
    elif key == "ssts":
        for item in value.split(","):
            port, val = item.split(":")
            fn.ssts[int(port)] = _number(val)
    elif key == "hwid":
        fn.hwid = value
    elif key == "name":
        fn.name = None if value == "-" else value
    elif key == "class":
        fn.cls = _number(value)
    elif key == "header":
        fn.header_bits = _number(value)
    elif key == "caps":
        fn.caps = value != "none"
    else:
        raise ValueError(f"unknown key {key}")


def parse_line(line, vendor_id):
    words = shlex.split(line, comments=True)
    if not words:
        return None
    if len(words) < 3:
        raise ValueError(f"need bus:dev.fn, vendor:device and kind: {line!r}")
    vend, dev = words[1].split(":")
    vendor = vendor_id if vend == "PLATFORM" else int(vend, 16)
    kind = words[2]
    if kind not in HEADER_TYPES:
        raise ValueError(f"unknown kind {kind}")
    fn = Function(parse_bdf(words[0]), vendor, int(dev, 16), kind)
    for word in words[3:]:
        key, _, value = word.partition("=")
        apply_key(fn, key, value)
    return fn


def load(path, vendor_id):
    functions = []
    with open(path, encoding="utf-8") as src:
        for number, line in enumerate(src, 1):
            try:
                fn = parse_line(line, vendor_id)
            except ValueError as err:
                raise SystemExit(f"{path}:{number}: {err}") from None
            if fn:
                functions.append(fn)
    return functions


def config_page(fn):
    """The 4 KiB configuration space of one simulated function."""
    page = bytearray(PAGE)
    struct.pack_into("<HHHH", page, 0, fn.vendor, fn.device, 0x0006,
                     0x0010 if fn.caps else 0)
    cls = DEFAULT_CLASS[fn.kind] if fn.cls is None else fn.cls
    struct.pack_into("<I", page, 0x08, (cls << 8) | 0x01)
    page[0x0E] = HEADER_TYPES[fn.kind] | fn.header_bits
    for k, bar in enumerate(fn.bars):
        if fn.kind != "bridge" or k < 2:
            struct.pack_into("<I", page, 0x10 + 4 * k, bar)
    if fn.kind == "bridge":
        page[0x18:0x1B] = bytes(fn.buses)
    if fn.caps:
        _standard_caps(page, fn)
        _extended_caps(page, fn)
    return bytes(page)


def _standard_caps(page, fn):
    page[0x34] = PM_CAP
    # Power management first, so a search walks at least one entry.
    page[PM_CAP] = 0x01
    page[PM_CAP + 1] = PCIE_CAP if fn.has_pcie else 0
    struct.pack_into("<H", page, PM_CAP + 2, 0x0003)
    if fn.has_pcie:
        page[PCIE_CAP] = 0x10
        page[PCIE_CAP + 1] = 0
        caps = 0x0002 | (fn.port_type() << 4) | (0x0100 if fn.slot else 0)
        struct.pack_into("<H", page, PCIE_CAP + 2, caps)
        struct.pack_into("<H", page, LINK_STATUS, fn.link or 0)
        struct.pack_into("<I", page, SLOT_CAPS, fn.slot)


def _extended_caps(page, fn):
    if fn.aer is None:
        return
    # Device serial number, then AER: the search has to follow the chain.
    struct.pack_into("<I", page, DSN_CAP, 0x0003 | (1 << 16) | (AER_CAP << 20))
    struct.pack_into("<Q", page, DSN_CAP + 4, 0x0011223344556677 + cfg_offset(fn.bdf))
    struct.pack_into("<I", page, AER_CAP, 0x0001 | (2 << 16))
    status, mask, severity = fn.aer
    struct.pack_into("<III", page, AER_STATUS, status, mask, severity)


def ahci_page(fn):
    """The AHCI register page of a SATA controller."""
    page = bytearray(PAGE)
    struct.pack_into("<I", page, 0x00, 0x40000000 | 5)  # CAP: AHCI only, 6 ports
    struct.pack_into("<I", page, AHCI_PI, fn.ahci)
    struct.pack_into("<I", page, 0x10, 0x00010300)  # version 1.3
    for port, value in fn.ssts.items():
        struct.pack_into("<I", page, ahci_ssts_offset(port), value)
    return bytes(page)


def lspci_block(fn):
    """What `lspci -vmm -s` prints for the function (empty when unknown)."""
    if fn.name is None:
        return ""
    cls = DEFAULT_CLASS[fn.kind] if fn.cls is None else fn.cls
    return (f"Slot:\t{bdf_text(fn.bdf)}\n"
            f"Class:\t{CLASS_NAMES.get(cls >> 8, 'Class %04x' % (cls >> 8))}\n"
            f"Vendor:\t{VENDOR_NAMES.get(fn.vendor, 'Vendor %04x' % fn.vendor)}\n"
            f"Device:\t{fn.name}\n"
            f"Rev:\t01\n\n")


CLASS_NAMES = {0x0200: "Ethernet controller", 0x0106: "SATA controller",
               0x0604: "PCI bridge", 0x0600: "Host bridge",
               0x0580: "Memory controller", 0x1180: "Signal processing controller"}
VENDOR_NAMES = {0x8086: "Intel Corporation", 0x10b5: "PLX Technology, Inc."}
