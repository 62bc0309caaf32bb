#!/bin/bash
# The linkmon server on a simulated card: status requests, bad requests and
# their bounded log, and a client with no server to talk to or one that
# never takes its connection.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"
PEERS=$(cd "$(dirname "$0")" && pwd)/net_peers.py
peers() { tb exec /usr/bin/python3 "$PEERS" "$@"; }
wire() { /usr/bin/python3 "$PEERS" wire "$@"; }
# The client's own output, after the card index and board type entries.
client() { tb client "$@" | sed 's/^.*boardtype = [^ ]* //'; }

# ---- status requests ----
start_daemon >/dev/null
wait_log 'Starting link monitoring' 40
out=$(client 10.0.2.16 show status 02:00.0)
expect "status 02:00.0: exit status" "$?" 0
expect "status 02:00.0: client output" "$out" "connect_linkmon: recv eof"
wait_entries '^06\. 8086:15ab 02:00\.0 T:00 ' 5 2
n_rows=$(entries | grep -cE '^0[0-9a-f]\. [0-9a-f]{4}:[0-9a-f]{4} ' || true)

out=$(client 10.0.2.16 show status 00:00.0)
expect "status 00:00.0: client output" "$out" "connect_linkmon: recv eof"
# Every row is logged once more; all rows of this card carry a vendor ID.
wait_entries '^0[0-9a-f]\. [0-9a-f]{4}:[0-9a-f]{4} ' 5 $((n_rows + n_rows - 1))
wait_entries '^09\. ' 5 2

# "set status" does nothing; an address no row has logs nothing.
before=$(count_entries '^[0-9a-f]{2}\. [0-9a-f]{4}:[0-9a-f]{4} ')
expect "set status" "$(client 10.0.2.16 set status 02:00.0)" "connect_linkmon: recv eof"
# The server logs a status request's rows before it closes the connection,
# so once the client has seen end of file there is nothing more to come.
expect "unknown address" "$(client 10.0.2.16 show status 7f:00.0)" \
  "connect_linkmon: recv eof"
expect "nothing logged" "$(count_entries '^[0-9a-f]{2}\. [0-9a-f]{4}:[0-9a-f]{4} ')" "$before"

# ---- bad requests: rejected, connection closed, nothing sent ----
expect "7 bytes" "$(peers raw "$(wire 2 7 0x200 7)")" "eof 0"
wait_entries '^service_client_return$' 5
wait_entries '^Client connect: Invalid vdi 2070200, action 0,command 0, magic 34\\n$' 5
expect "action 1" "$(peers raw "$(wire 1 3 0x200)")" "eof 0"
wait_entries '^Client connect: Invalid vdi 1030200, action 1,command 0, magic 1234\\n$' 5
expect "command 9" "$(peers raw "$(wire 0 9 0)")" "eof 0"
wait_entries '^Client connect: Invalid vdi 90000, action 0,command 9, magic 1234\\n$' 5

# ---- a flood of bad requests: five a second in full, the rest counted ----
before=$(count_entries '^Client connect: Invalid vdi ')
full_lines() { echo $(($(count_entries '^Client connect: Invalid vdi ') - before)); }
counted() {
  entries | sed -nE 's/^linkmon: ([0-9]+) more requests rejected in the last second\\n$/\1/p' |
    awk '{ n += $1 } END { print n + 0 }'
}
# shellcheck disable=SC2317 # called through wait_until
accounted() { [ $(($(full_lines) + $(counted))) -eq 300 ]; }
peers flood 300 "$(wire 1 3 0x200)"
wait_until "300 rejections logged or counted" 10 accounted
# The flood lasts a few faked seconds (x50), with at most five full lines
# in each.
[ "$(counted)" -gt 0 ] || fail "all $(full_lines) rejections logged in full"

# ---- client argument errors never reach the server ----
out=$(client 10.0.2.16 SET link 02:00.0)
expect "SET: exit status" "$?" 1
expect "SET: output" "$out" "connect_linkmon: unknown action SET"
out=$(client 10.0.2.16 set hitless 02:00.0)
expect "hitless: exit status" "$?" 1
expect "hitless: output" "$out" "connect_linkmon: unknown command hitless"

# ---- no server listening ----
kill "$(cat "$W/daemon.pid")"
tb wait-exit 10
out=$(client 10.0.2.16 show status 02:00.0)
expect "no server: exit status" "$?" 1
expect "no server: output" "$out" "Cannot connect to server errno = 111"

# ---- a server that never takes the connection: the client gives up ----
rm -f "$W/stuck" "$W/unstick"
peers stuck "$W/stuck" "$W/unstick" 30 &
stuck=$!
wait_file "$W/stuck"
out=$(client 10.0.2.16 show status 02:00.0)
expect "full queue: exit status" "$?" 1
expect "full queue: output" "$out" "Cannot connect to server errno = 110"
touch "$W/unstick"
wait "$stuck"

done_testing
