#!/bin/bash
# A monitored endpoint drops off the bus and comes back (reported once, BARs
# verified after the debounce, a changed BAR reported); a fatal unmasked
# Completion Timeout is reported, cleared in the card by the auto-clear
# thread, and the clearing reported; a bridge recovers without BAR checks.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"

FACTOR=50
start_daemon --faketime "+0 x$FACTOR" >/dev/null
# The quiet period ends 210 faked seconds after the delay, when the server
# thread starts. Losses after it are reported once, with no re-report.
wait_log 'server ip address' 40
quiet_end=$(/usr/bin/python3 -c "print($(now) + 210 / $FACTOR + 1.0)")
wait_log 'Starting link monitoring' 40
sleep_until "$quiet_end"

# ---- loss and recovery of 05:00.0 ----
tb poke drop 05:00.0
wait_entries '^09\. .* 05:00\.0 T:00 .* LS:00001012NLS:0000ffff .* NTFMSK:1 ' 10
wait_passes 3
expect "loss reported once" "$(record_lines 05:00.0 | grep -c 'NLS:0000ffff')" 1
tb poke restore 05:00.0
wait_entries '^09\. .* 05:00\.0 T:00 .* LS:0000ffffNLS:00001012 .* NTFMSK:1 ' 10
wait_entries '^NEW BARs: 05:00\.0: ' 10
expect "BARs verified after the recovery" "$(entries | grep -E '^(verify_bars|NEW BARs|BARs changed)')" \
'verify_bars 05:00.0 OK\n
NEW BARs: 05:00.0: f7000000:0:f6000000:0:0:0\n'

# ---- a second loss; the function comes back with another BAR 0 ----
tb poke drop 05:00.0
wait_entries '^09\. .* 05:00\.0 .*NLS:0000ffff ' 10 2
tb poke restore 05:00.0 bar0=0xf5000000
wait_entries '^BARs changed: 05:00\.0: f5000000:0:f6000000:0:0:0\\n$' 10
wait_entries '^09\. .* 05:00\.0 .* NTFMSK:4 ' 10

# ---- a fatal, unmasked Completion Timeout (UR beside it is masked) ----
cleared=$(tb w1c 01:00.0 15 0x104000)
expect "auto-clear store in the card (old, written, left)" "$cleared" \
  "0x00104000 0x00004000 0x00100000"
wait_entries '^05\. .* 01:00\.0 .* UES:00000000 NUES:00104000 .* NTFMSK:2 ' 10
wait_entries '^05\. .* 01:00\.0 .* UES:00104000 NUES:00100000 .* NTFMSK:2 ' 10
wait_passes 3
expect "error status reports of 01:00.0" "$(record_lines 01:00.0 | grep -c 'NTFMSK:2 ')" 2
expect "status left in the card" "$(tb peek 01:00.0 aer-status)" 0x00100000

# ---- a bridge: loss and recovery, no BAR verification ----
tb poke drop 04:00.0
wait_entries '^08\. 10b5:8725 04:00\.0 T:01 .* LS:00003012NLS:0000ffff ' 10
tb poke restore 04:00.0
wait_entries '^08\. 10b5:8725 04:00\.0 T:01 .* LS:0000ffffNLS:00003012 ' 10
# An endpoint's BARs would be verified on the sixth pass after its recovery.
wait_passes 8
expect "no BAR verification of a bridge" "$(count_entries '^(verify_bars|NEW BARs|BARs changed): ?04:00')" 0

done_testing
