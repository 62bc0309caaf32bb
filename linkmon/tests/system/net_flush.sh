#!/bin/bash
# A full client table on a simulated card: the 1001st live client flushes
# the table, every earlier client is closed and the newest sits in slot 0.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"
PEERS=$(cd "$(dirname "$0")" && pwd)/net_peers.py
peers() { tb exec /bin/sh -c 'ulimit -n 4096; exec /usr/bin/python3 "$@"' sh "$PEERS" "$@"; }

rm -f "$W/stop"
start_daemon >/dev/null
wait_log 'Starting link monitoring' 40

peers clients 1001 40 --stop "$W/stop" >"$W/many.out" &
many=$!
wait_entries '^linkmon: max client limit reached 1000\\n$' 40
expect "no New client line for the 1001st" "$(count_entries '^linkmon: New client ')" 1000
# The newest client holds slot 0, so the next one gets slot 1.
peers clients 1 0.3 >/dev/null
wait_entries '^linkmon: New client [0-9]+ added at index 1\\n$' 5 2
touch "$W/stop"
wait "$many"
expect "every earlier client closed" "$(grep -c ' eof$' "$W/many.out")" 1000
expect "the newest client stays" "$(tail -n1 "$W/many.out" | awk '{print $4}')" open

done_testing
