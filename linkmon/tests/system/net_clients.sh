#!/bin/bash
# The client table on a simulated card: a closed client's slot is reused,
# a silent peer or a client that stopped reading holds up neither the
# server nor the notifications, and a crowd of silent peers does not hold
# up a status request.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"
PEERS=$(cd "$(dirname "$0")" && pwd)/net_peers.py
peers() { tb exec /bin/sh -c 'ulimit -n 4096; exec /usr/bin/python3 "$@"' sh "$PEERS" "$@"; }
client() { tb client "$@" | sed 's/^.*boardtype = [^ ]* //'; }

rm -f "$W/ready" "$W/stop" "$W/stop2" "$W/crowd" "$W/stop3"
start_daemon >/dev/null
wait_log 'MMCONFIG paddr' 15
# Notifications are sent once the quiet period (300 faked seconds) is over.
quiet_end=$(/usr/bin/python3 -c "print($(now) + 300 / 50 + 1.5)")
wait_log 'Starting link monitoring' 40

# ---- slots: two clients get 0 and 1; once they have closed, the next
# registration frees their slots and takes slot 0 ----
peers clients 2 30 --stop "$W/stop2" >/dev/null &
two=$!
wait_entries '^linkmon: New client [0-9]+ added at index 1\\n$' 5
touch "$W/stop2"
wait "$two"
peers clients 1 0.3 >/dev/null
wait_entries '^linkmon: New client [0-9]+ added at index 0\\n$' 5 2
expect "no slot beyond 1" "$(count_entries 'added at index [2-9]')" 0

# ---- a silent peer and a stalled reader: the others are still served
# and notified ----
peers clients 3 30 --silent 1 --stalled 1 --ready "$W/ready" --stop "$W/stop" >"$W/slow.out" &
slow=$!
wait_file "$W/ready"
expect "served past a silent peer" "$(client 10.0.2.16 show status 02:00.0)" \
  "connect_linkmon: recv eof"
sleep_until "$quiet_end"
# A few link changes of 05:00.0, each notified to every client.
for i in 1 2 3; do
  tb poke link 05:00.0 0x1011
  wait_entries '^09\. .*LS:0000101[12]NLS:00001011 .*NTFMSK:1 ' 5 "$i" || break
  tb poke link 05:00.0 0x1012
  wait_entries '^09\. .*LS:00001011NLS:00001012 .*NTFMSK:1 ' 5 "$i" || break
done
# Every record is sent before its line is logged; on the stop mark the
# readers take what has reached them.
touch "$W/stop"
wait "$slow"
notified=$(count_entries '^09\. .*NTFMSK:1 ')
for i in 0 1 2; do
  got=$(awk -v i="$i" '$1 == "client" && $2 == i { print $3 }' "$W/slow.out")
  expect "reader $i got every record" "$got" $((notified * 480))
done

# ---- a crowd of silent peers: a status request is served at once, not
# after 3 seconds for each of them ----
peers clients 0 60 --silent 500 --ready "$W/crowd" --stop "$W/stop3" >/dev/null &
crowd=$!
wait_file "$W/crowd" 30
t0=$(now)
expect "served past 500 silent peers" "$(client 10.0.2.16 show status 02:00.0)" \
  "connect_linkmon: recv eof"
took=$(/usr/bin/python3 -c "print(round($(now) - $t0, 2))")
# Generous for a loaded machine; one silent peer ahead of it took 3 s.
/usr/bin/python3 -c "import sys; sys.exit(0 if $took < 2.5 else 1)" ||
  fail "status request behind 500 silent peers took $took s"
touch "$W/stop3"
wait "$crowd"

done_testing
