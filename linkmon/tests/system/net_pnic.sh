#!/bin/bash
# Physical NICs on a simulated card with veth pairs: rows from the list
# file and uevent, the link and error injections through the client, a link
# change notified with mask 1, a critical NIC reloading the card (which
# inherits none of the daemon's sockets), and an interface that ethtool does
# not know.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"
PEERS=$(cd "$(dirname "$0")" && pwd)/net_peers.py
peers() { tb exec /usr/bin/python3 "$PEERS" "$@"; }
client() { tb client "$@" | sed 's/^.*boardtype = [^ ]* //'; }

printf 'eth0\neth3+\nbogus0\n' >"$W/pnic_list.txt"
printf 'DRIVER=ixgbe\nPCI_CLASS=20000\nPCI_ID=8086:15AB\nPCI_SUBSYS_ID=8086:0000\nPCI_SLOT_NAME=0000:03:00.1\n' \
  >"$W/eth0.uevent"
rm -f "$W/ready" "$W/stop"
FACTOR=50
start_daemon --cmdline "card_index=27065 boardtype=LC" --faketime "+0 x$FACTOR" \
  --pnic-list "$W/pnic_list.txt" --veth eth0 --veth eth3 --uevent "eth0=$W/eth0.uevent" >/dev/null
wait_log 'MMCONFIG paddr' 15
quiet_end=$(/usr/bin/python3 -c "print($(now) + 300 / $FACTOR + 1.5)")
wait_log 'Starting link monitoring' 40

expect "rows of the list" "$(entries | grep -E 'linkstatus')" \
'eth0: linkstatus 2000 03:00.1 8086/15ab\n
eth3: linkstatus 2000 00:00.0 0000/0000\n
bogus0: linkstatus 0 00:00.0 0000/0000\n'
wait_entries '^SIOCETHTOOL returned errno = 19\\n$' 5 3
sleep_until "$quiet_end"

# ---- injections through the client ----
out=$(client 10.0.2.16 set pniclnk 03:00.1)
expect "pniclnk: exit status" "$?" 0
echo "$out" | grep -qE '\] 0a\. 8086:15ab 03:00\.1 T:04 .*LS:00002000NLS:ffffdfff .*PIDX:fd NTFMSK:1 HWID:\[eth0\]' ||
  fail "pniclnk: no record with NLS ffffdfff: $out"
wait_entries '^eth0 pnic link status change\\n$' 5
out=$(client 10.0.2.16 set pnicerr 03:00.1)
expect "pnicerr: exit status" "$?" 0
echo "$out" | grep -qE '\] 0a\. 8086:15ab 03:00\.1 T:04 .*NICERR:00000064 .*NTFMSK:8 ' ||
  fail "pnicerr: no record with NICERR 100 and mask 8: $out"

# ---- a real link change, seen by a raw client ----
# The client ends once it holds the NIC's record with mask 1 (or after 30
# seconds): no guess at how long the record takes to reach it.
peers clients 1 30 --dump --ready "$W/ready" --until a:1 >"$W/raw.out" &
raw=$!
wait_file "$W/ready"
tb exec ip link set eth0p down
wait_entries '^eth0 pnic link status change\\n$' 10 2
wait_entries '^0a\. 8086:15ab 03:00\.1 T:04 .*LS:00002000NLS:00000000 .*NTFMSK:1 ' 5
wait "$raw"
# Row, NLS, mask and name of the link records (NICERR keeps the injected
# increase until the next error turn; the injected error episode closes
# with a record of mask 8 of its own).
expect "raw client: the NIC's record with mask 1" \
  "$(awk '$1 == "record" && $5 == 1 { print $3, $4, $5, $7 }' "$W/raw.out")" "a 0 1 eth0"

# ---- the critical NIC goes down: notified, logged twice, card reloaded ----
tb exec ip link set eth3p down
wait_entries '^eth3 pnic link status change\\n$' 10
wait_entries '^\[0000:0000 00:00\.0\] Critical Device eth3 Name  Down: Reloading Card\\n$' 10 2
wait_entries '^0b\. 0000:0000 00:00\.0 T:04 .*LS:00002000NLS:00000000 .*NTFMSK:1 HWID:\[eth3\]' 5
wait_until "the reload command" 5 test -s "$W/pdreboot.log"
expect "reload command" "$(tb pdreboot-log | head -n1)" "pdreboot -y"
# The daemon's sockets (the server's, the ethtool one, the clients') are
# close-on-exec: none reaches the reload command.
expect "sockets inherited by the reload command" "$(head -n1 "$W/pdreboot.sockets")" 0

done_testing
