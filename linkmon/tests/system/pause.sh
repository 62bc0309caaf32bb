#!/bin/bash
# The pause word: a state request whose low 32 bits are 1 stops the passes
# (a function lost meanwhile is not seen), any other state request resumes
# them and the loss is reported.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"

# state_request LOW32: a raw linkmon state request (action 0, command 0)
# from inside the namespace. The server reads the word whether or not the
# peer is still there; a peer gone by the next registration frees its slot.
state_request() {
  tb exec /usr/bin/python3 -c '
import socket, struct, sys
word = (0x1234 << 48) | int(sys.argv[1], 0)
with socket.create_connection(("10.0.2.16", 11000), timeout=5) as s:
    s.sendall(struct.pack("=Q", word))' "$1"
}

start_daemon >/dev/null
wait_log 'Starting link monitoring' 40
wait_log 'Starting linkmon server' 10
wait_log 'ID 09 05:00\.0 .* check done' 10

state_request 1 || fail "pause request"
wait_entries '^linkmon: New client [0-9]+ added at index 0\\n$' 10
# The pass under way ends; the loop's next look sees the pause.
wait_pause_polls 1
passes=$(sleeps_asked 1)
tb poke drop 05:00.0
wait_pause_polls 5
expect "no pass while paused" "$(sleeps_asked 1)" "$passes"
expect "no loss seen while paused" "$(record_lines 05:00.0 | grep -c 'NLS:0000ffff')" 0

state_request 0x00000002 || fail "resume request"
wait_entries '^09\. .* 05:00\.0 T:00 .* LS:00001012NLS:0000ffff .* NTFMSK:1 ' 10
expect "both state connections registered" "$(count_entries '^linkmon: New client ')" 2

done_testing
