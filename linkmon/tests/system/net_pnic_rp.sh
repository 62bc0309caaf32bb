#!/bin/bash
# The "RP" partner rule on a simulated card: eth3 down while its partner
# eth4 is up is reported once more and the row disarmed; it arms again after
# four link-up turns.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"

printf 'eth3\neth4\n' >"$W/pnic_list.txt"
FACTOR=50
start_daemon --cmdline "card_index=27065 boardtype=RP" --faketime "+0 x$FACTOR" \
  --pnic-list "$W/pnic_list.txt" --veth eth3 --veth eth4 >/dev/null
wait_log 'MMCONFIG paddr' 15
quiet_end=$(/usr/bin/python3 -c "print($(now) + 300 / $FACTOR + 1.5)")
wait_log 'Starting link monitoring' 40
sleep_until "$quiet_end"

tb exec ip link set eth3p down
wait_entries '^eth3 pnic link status change\\n$' 10
wait_entries '^eth3 pnic link is down but eth4 pnic is up\\n$' 10
# Reported twice: the change, then the partner rule (LS back to up first).
wait_entries '^0a\. 0000:0000 00:00\.0 T:04 .*LS:00002000NLS:00000000 .*NTFMSK:1 HWID:\[eth3\]' 5 2
# Three more link turns of eth3 (the two NICs take turns, pass by pass).
wait_passes 6
expect "the partner rule fires once" "$(count_entries 'pnic link is down but')" 1
expect "eth4 is quiet" "$(count_entries '^eth4 pnic')" 0

# Back up: four link-up turns arm the row again (logged, not notified).
tb exec ip link set eth3p up
wait_entries '^0a\. 0000:0000 00:00\.0 T:04 .*LS:00000000NLS:00002000 .*HWID:\[eth3\]' 10
expect "no change reported while unarmed" "$(count_entries '^eth3 pnic link status change')" 1

done_testing
