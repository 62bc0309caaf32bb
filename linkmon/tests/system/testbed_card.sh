#!/bin/bash
# The simulated card itself: every page the scan visits reads all ones
# unless the topology names the function, capability lists that a search
# can walk, the AHCI page at its BAR, and the changes made while it runs.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"

card=$W/card
/usr/bin/python3 "$TESTBED/cardsim.py" build --topology "$TESTBED/topologies/moska_rp.topo" \
  --vendor "$VENDOR" --out "$card" || fail "build"
expect "image size" "$(stat -c %s "$card/card.img")" $((0x80000000 + 0xC000000))

/usr/bin/python3 - "$card/card.img" "$VENDOR" <<'PY' || fail "image layout"
import struct, sys
img, vendor = open(sys.argv[1], "rb"), int(sys.argv[2], 0)
BASE = 0x80000000

def read(bus, dev, fn, reg, size):
    img.seek(BASE + (((bus * 32 + dev) * 8 + fn) << 12) + reg)
    return int.from_bytes(img.read(size), "little")

def find_cap(bus, dev, fn, want):
    if not read(bus, dev, fn, 6, 2) & 0x10:
        return 0
    pos = read(bus, dev, fn, 0x34, 1)
    for _ in range(48):
        if pos < 0x40 or pos == 0xFF:
            return 0
        entry = read(bus, dev, fn, pos & ~3, 2)
        if entry & 0xFF == want:
            return pos
        pos = entry >> 8
    return 0

def find_ext(bus, dev, fn, want):
    pos, header = 0x100, read(bus, dev, fn, 0x100, 4)
    while header not in (0, 0xFFFFFFFF):
        if header & 0xFFFF == want:
            return pos
        pos = (header >> 20) & 0xFFC
        if pos < 0x100:
            return 0
        header = read(bus, dev, fn, pos, 4)
    return 0

errors = []
def check(what, got, wanted):
    if got != wanted:
        errors.append(f"{what}: got {got:#x}, wanted {wanted:#x}")

simulated = {(0, 0, 0), (0, 1, 0), (0, 2, 0), (0, 3, 0), (0, 0x14, 0), (0, 0x1F, 2),
             (1, 0, 0), (2, 0, 0), (2, 0, 1), (3, 0, 0), (4, 0, 0), (4, 1, 0), (5, 0, 0)}
visited = [(0, d, f) for d in range(32) for f in range(8)] + \
          [(b, d, f) for b in range(1, 192) for d in range(16) for f in (0, 1)]
for bdf in visited:
    if bdf not in simulated:
        img.seek(BASE + (((bdf[0] * 32 + bdf[1]) * 8 + bdf[2]) << 12))
        if img.read(4096) != b"\xff" * 4096:
            errors.append("page %02x:%02x.%x is not all ones" % bdf)
check("00:00.0 vendor", read(0, 0, 0, 0, 2), 0x8086)
check("05:00.0 vendor", read(5, 0, 0, 0, 2), vendor)
check("05:00.0 header type", read(5, 0, 0, 0x0E, 1), 0)
check("02:00.0 header type", read(2, 0, 0, 0x0E, 1), 0x80)
check("03:00.0 bus numbers", read(3, 0, 0, 0x18, 4) & 0xFFFFFF, 0x050403)
pcie = find_cap(5, 0, 0, 0x10)
check("05:00.0 PCIe capability", pcie, 0x50)
check("05:00.0 link status", read(5, 0, 0, pcie + 0x12, 2), 0x1012)
check("04:00.0 slot capabilities", read(4, 0, 0, find_cap(4, 0, 0, 0x10) + 0x14, 4), 0x00200060)
check("00:1f.2 has no PCIe capability", find_cap(0, 0x1F, 2, 0x10), 0)
aer = find_ext(5, 0, 0, 1)
check("05:00.0 AER capability", aer, 0x140)
check("05:00.0 AER mask", read(5, 0, 0, aer + 8, 4), 0x00100000)
check("05:00.0 AER severity", read(5, 0, 0, aer + 12, 4), 0x00066030)
check("00:01.0 has no extended capability", find_ext(0, 1, 0, 1), 0)
bar5 = read(0, 0x1F, 2, 0x24, 4)
img.seek(bar5 + 0x0C)
check("AHCI Ports Implemented", int.from_bytes(img.read(4), "little"), 0x5)
img.seek(bar5 + 0x100 + 0x80 * 2 + 0x28)
check("AHCI port 2 PxSSTS", int.from_bytes(img.read(4), "little"), 0x123)
print("\n".join(errors), file=sys.stderr)
sys.exit(1 if errors else 0)
PY

# Changes to the image and what peek reads back.
cs() { local cmd=$1; shift; /usr/bin/python3 "$TESTBED/cardsim.py" "$cmd" "$card" "$@"; }
cs poke drop 05:00.0
expect "dropped function" "$(cs peek 05:00.0 0 4)" 0xffffffff
expect "dropped link status" "$(cs peek 05:00.0 link)" 0x0000ffff
cs poke restore 05:00.0 bar0=0xf5000000
expect "restored link status" "$(cs peek 05:00.0 link)" 0x00001012
expect "restored with another BAR 0" "$(cs peek 05:00.0 bar 0)" 0xf5000000
cs poke link 02:00.0 0x1022
expect "link status" "$(cs peek 02:00.0 link)" 0x00001022
cs poke aer 01:00.0 status=0x4010 mask=0x1
expect "AER status" "$(cs peek 01:00.0 aer-status)" 0x00004010
expect "AER mask" "$(cs peek 01:00.0 aer-mask)" 0x00000001
cs poke ssts 00:1f.2 2 0
expect "PxSSTS" "$(cs peek 00:1f.2 ssts 2)" 0x00000000
cs poke bar 01:00.0 2 0xfa100000
expect "BAR 2" "$(cs peek 01:00.0 bar 2)" 0xfa100000
# Write-1-to-clear: a store of 0x4000 over 0x104000 leaves 0x100000.
(
  for _ in $(seq 100); do
    [ "$(cs peek 01:00.0 aer-status)" = 0x00104000 ] && break
    sleep 0.05
  done
  cs poke aer 01:00.0 status=0x4000
) &
expect "w1c" "$(cs w1c 01:00.0 5 0x104000)" "0x00104000 0x00004000 0x00100000"
wait
expect "after w1c" "$(cs peek 01:00.0 aer-status)" 0x00100000
expect "w1c without a store" "$(cs w1c 01:00.0 0.3 2>/dev/null; echo $?)" 1
expect "lspci block" "$(cat "$card/lspci/05:00.0")" "$(printf 'Slot:\t05:00.0\nClass:\tMemory controller\nVendor:\tVendor %s\nDevice:\tLine card FPGA\nRev:\t01' "$VENDOR_HEX")"
expect "hwid file" "$(cat "$card/sysfs/0000:01:00.0/hwid")" "RP-FPGA-A"
expect "unknown function for poke" "$(cs poke drop 07:00.0 2>&1)" "cardsim: 07:00.0 is not in the topology"

# A rebuild in the same folder with another topology leaves nothing behind.
/usr/bin/python3 "$TESTBED/cardsim.py" build --topology "$TESTBED/topologies/scan_edges.topo" \
  --vendor "$VENDOR" --out "$card" || fail "rebuild"
expect "rebuild: 00:1c.0 present" "$(cs peek 00:1c.0 0 4)" "0x0100$VENDOR_HEX"
expect "rebuild: page of 03:10.0" "$(od -An -tx4 -j $((0x80380000)) -N4 "$card/card.img" | tr -d ' ')" 00000000
expect "rebuild: 05:00.0 absent" "$(od -An -tx4 -j $((0x80500000)) -N4 "$card/card.img" | tr -d ' ')" ffffffff

done_testing
