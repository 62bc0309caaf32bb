#!/bin/bash
# Notifications on a simulated card: a loss inside the quiet period is
# logged but not sent, then re-reported to every raw client as exactly one
# record; a "set link" injection reaches the client and the row is restored.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"
PEERS=$(cd "$(dirname "$0")" && pwd)/net_peers.py
client() { tb client "$@" | sed 's/^.*boardtype = [^ ]* //'; }

# x20: the quiet period ends 10.5 s after the start-up delay, time enough
# for discovery and the loss inside it.
rm -f "$W/ready" "$W/stop"
start_daemon --faketime "+0 x20" >/dev/null
wait_log 'Starting linkmon server' 40
tb exec /usr/bin/python3 "$PEERS" clients 3 40 --ready "$W/ready" --stop "$W/stop" >"$W/raw.out" &
peers=$!
wait_file "$W/ready"
wait_log 'Starting link monitoring' 20
tb poke drop 05:00.0

# Inside the quiet period: the record line and the Skip line, nothing sent.
wait_entries '^09\. f00d:0100 05:00\.0 T:00 .*NLS:0000ffff .*NTFMSK:1 ' 10
wait_entries '^Skip 1 notify f00d:0100 05:00\.0 Name:Line card FPGA\\n HWID:LC-FPGA-B\\n\\n$' 5
# After it the loss is reported again, and this time sent.
wait_entries '^09\. f00d:0100 05:00\.0 T:00 .*NLS:0000ffff .*NTFMSK:1 ' 30 2
# A second copy would come from a later pass.
wait_passes 3
touch "$W/stop"
wait "$peers"
expect "one record per raw client" "$(cat "$W/raw.out")" "client 0 480 open
client 1 480 open
client 2 480 open"
expect "one Skip line" "$(count_entries '^Skip ')" 1

# ---- "set link" on a monitored endpoint ----
tb poke restore 05:00.0
wait_entries '^09\. f00d:0100 05:00\.0 T:00 .*NLS:00001012 .*NTFMSK:1 ' 10
before=$(record_lines 02:00.0)
out=$(client 10.0.2.16 set link 02:00.0)
expect "set link: exit status" "$?" 0
echo "$out" | grep -qE '\] 06\. 8086:15ab 02:00\.0 T:00 PSS:00:00:00 LS:00001012NLS:0000ffff .*NTFMSK:1 ' ||
  fail "set link: the client printed no record with NLS ffff and mask 1: $out"
wait_entries '^06\. 8086:15ab 02:00\.0 T:00 .*NLS:0000ffff .*NTFMSK:1 ' 5
expect "show status: client" "$(client 10.0.2.16 show status 02:00.0)" "connect_linkmon: recv eof"
wait_entries '^06\. 8086:15ab 02:00\.0 T:00 ' 5 3
# The row is back as the injecting pass found it (NLS holds what that pass
# read), with the notification's mask undone.
expect "row restored" "$(record_lines 02:00.0 | tail -n1)" \
  "$(echo "$before" | head -n1 | sed 's/NLS:00000000/NLS:00001012/')"

done_testing
