#!/bin/bash
# The server address is not there yet when the server thread starts (at
# boot, say): the failed bind is logged once, tried again every 5 seconds,
# and the server starts once the address comes.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"
client() { tb client "$@" | sed 's/^.*boardtype = [^ ]* //'; }

start_daemon >/dev/null
# The daemon waits 90 faked seconds (about 2 real ones) before its server
# thread binds: time enough to take the address away.
tb exec ip addr del 10.0.2.16/32 dev lo
wait_entries '^accept_linkmon_connections: bind err = 99\\n$' 20
wait_log 'Starting link monitoring' 40
wait_until "three retries of the bind" 20 sleeps_since 5 0 3
expect "no server yet" "$(count_entries '^Starting linkmon server')" 0

tb exec ip addr add 10.0.2.16/32 dev lo
wait_entries '^Starting linkmon server\.\.\\n$' 20
expect "status request served" "$(client 10.0.2.16 show status 02:00.0)" \
  "connect_linkmon: recv eof"
wait_entries '^06\. 8086:15ab 02:00\.0 T:00 ' 5 2
expect "the failed bind logged once" "$(count_entries 'bind err')" 1
expect "the server address logged once" "$(count_entries '^server ip address: 268566538 $')" 1

done_testing
