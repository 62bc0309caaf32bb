#!/bin/bash
# The checks of the monitoring loop on the default card: "check done" only
# in the first pass, Link Status bits that count and bits that do not,
# masked and non-fatal error bits never reported, SATA port status.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"

V=$VENDOR_HEX
start_daemon >/dev/null
wait_log 'Starting link monitoring' 40
wait_log 'ID 09 05:00\.0 .* check done' 10

# Link training (bit 11) and the other bits outside 0x23FF never count ...
tb poke link 02:00.0 0x1812
wait_passes 1
tb poke link 02:00.0 0xdc12
wait_passes 1
# ... the negotiated width and bit 13 do.
tb poke link 02:00.0 0x1022
wait_entries '^06\. 8086:15ab 02:00\.0 .* LS:00001012NLS:00001022 .* NTFMSK:1 ' 10
tb poke link 02:00.0 0x3022
wait_entries '^06\. 8086:15ab 02:00\.0 .* LS:00001022NLS:00003022 .* NTFMSK:1 ' 10
expect "link status reports of 02:00.0" "$(record_lines 02:00.0 | wc -l)" 3

# Uncorrectable errors: UR is masked, Poisoned TLP is not fatal there.
tb poke aer 02:00.0 status=0x101000
wait_passes 1
tb poke aer 02:00.0 status=0x101010
wait_entries '^06\. .* 02:00\.0 .* UES:00000000 NUES:00101010 .* NTFMSK:2 ' 10
wait_passes 2
expect "error status reports of 02:00.0" "$(record_lines 02:00.0 | grep -c 'NTFMSK:2 ')" 1
expect "Data Link Protocol error is not cleared" "$(tb peek 02:00.0 aer-status)" 0x00101010

# SATA: the second implemented port (port 2) loses its device.
tb poke ssts 00:1f.2 2 0
wait_entries '^04\. 8086:8c02 00:1f\.2 T:03 .* LS:01230123NLS:00000123 .* NTFMSK:1 ' 10
tb poke ssts 00:1f.2 2 0x123
wait_entries '^04\. 8086:8c02 00:1f\.2 T:03 .* LS:00000123NLS:01230123 .* NTFMSK:1 ' 10

# "check done" lines came from the first pass only, one per monitored row
# (00:14.0 is unpaired), each from the first check that answered.
expect "check done lines" "$(entries | grep 'check done')" \
"ID 00 00:01.0 8086/6f02 ues check done\\n
ID 01 00:02.0 8086/6f04 ues check done\\n
ID 02 00:03.0 8086/6f08 ues check done\\n
ID 04 00:1f.2 8086/8c02 sata check done\\n
ID 05 01:00.0 $V/0100 ues check done\\n
ID 06 02:00.0 8086/15ab ues check done\\n
ID 07 03:00.0 10b5/8725 ues check done\\n
ID 08 04:00.0 10b5/8725 ues check done\\n
ID 09 05:00.0 $V/0100 ues check done\\n"

done_testing
