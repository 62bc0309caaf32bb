#!/bin/bash
# The MMCONFIG window: a misaligned base, a window whose first word is not
# Intel's vendor ID and a missing /dev/mem end the daemon with status 1 and
# their messages; a base with bit 26 set passes the alignment test.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"

head_entries='cardindex = 27065
boardtype = RP '

# These runs end before the start-up delay: no libfaketime needed.
run_once() { # WHAT WANTED-MESSAGES ARGS...
  local what=$1 wanted=$2
  shift 2
  tb exec timeout 20 "$BIN" "$@" >"$W/daemon.log" 2>&1
  expect "$what: exit status" "$?" 1
  expect "$what: log" "$(entries)" "$head_entries
$wanted"
}

tb setup --binary "$BIN" --vendor "$VENDOR" >/dev/null
run_once "misaligned base" 'paddr = 80100000 is not aligned\n' 0x80100000
tb poke write 00:00.0 0 2 0x1022
run_once "first word not 0x8086" \
  'mmap_mmcfg paddr = 80000000 is not MMCONFIG memory\n' 0x80000000
tb exec sh -c 'umount /dev/mem && rm /dev/mem'
run_once "no /dev/mem" 'Failed to open mem for mmap 80000000 for c000000, rc = 2\n
mmap_mmcfg failed paddr = 80000000 errno = 2\n' 0x80000000
tb stop

# Bit 26 is not tested: a card whose configuration space lies at 0x84000000.
start_daemon --base 0x84000000 >/dev/null
wait_log 'MMCONFIG paddr = 84000000 vaddr = 0x[0-9a-f]+$' 15
wait_log 'Starting link monitoring' 30
expect "base 0x84000000: no alignment message" "$(count_entries 'not aligned')" 0
expect "base 0x84000000: rows found" "$(count_entries '^0[0-9]\. ')" 10

done_testing
