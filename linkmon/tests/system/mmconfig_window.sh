# The MMCONFIG window: a misaligned base, a window whose first word is not
# Intel's vendor ID and a missing /dev/mem end the daemon with status 1 and
# their messages; a base with bit 26 set passes the alignment test.
source "$2/testlib.sh"

head_entries='cardindex = 27065
boardtype = RP '

start_daemon -- 0x80100000 >/dev/null
tb wait-exit 15
expect "misaligned base: exit status" "$?" 1
expect "misaligned base: log" "$(entries)" "$head_entries
paddr = 80100000 is not aligned\\n"
tb stop

sed 's/^00:00\.0 8086:0d57 /00:00.0 1022:1450 /' "$TESTBED/topologies/moska_rp.topo" >"$W/amd.topo"
start_daemon --topology "$W/amd.topo" >/dev/null
tb wait-exit 15
expect "first word not 0x8086: exit status" "$?" 1
expect "first word not 0x8086: log" "$(entries)" "$head_entries
mmap_mmcfg paddr = 80000000 is not MMCONFIG memory\\n"
tb stop

tb setup --binary "$BIN" --vendor "$VENDOR" >/dev/null
tb exec sh -c 'umount /dev/mem && rm /dev/mem'
tb exec "$BIN" 0x80000000 >"$W/daemon.log" 2>&1
expect "no /dev/mem: exit status" "$?" 1
expect "no /dev/mem: log" "$(entries)" "$head_entries
Failed to open mem for mmap 80000000 for c000000, rc = 2\\n
mmap_mmcfg failed paddr = 80000000 errno = 2\\n"
tb stop

# Bit 26 is not tested: a card whose configuration space lies at 0x84000000.
start_daemon --base 0x84000000 >/dev/null
wait_log 'MMCONFIG paddr = 84000000 vaddr = 0x[0-9a-f]+$' 15
wait_log 'Starting link monitoring' 30
expect "base 0x84000000: no alignment message" "$(count_entries 'not aligned')" 0
expect "base 0x84000000: rows found" "$(count_entries '^0[0-9]\. ')" 10

done_testing
