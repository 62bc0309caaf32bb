#!/bin/bash
# How long status requests take while a crowd of silent peers holds
# connections to the daemon's port. Runs the given pcie_monitor on the test
# bed's simulated card (private namespaces, needs root), opens SILENT
# connections that never send a word, then times REQUESTS client runs of
# "show status 02:00.0" one after the other and prints the figures.
#
#   silent_peers.sh PCIE_MONITOR [SILENT [REQUESTS]]
#
# The daemon runs without libfaketime by default (its start-up takes the
# real 90 seconds), so that its 3-second request wait is real time;
# FAKETIME="+0 x50" shortens the start-up but also that wait.
set -euo pipefail

BIN=$(realpath "${1:?usage: $0 PCIE_MONITOR [SILENT [REQUESTS]]}")
SILENT=${2:-2000}
REQUESTS=${3:-20}
VENDOR=${PLATFORM_VENDOR_ID:-0xF00D}
HERE=$(cd "$(dirname "$0")" && pwd)
TESTBED=$HERE/../testbed
W=$(mktemp -d /tmp/linkmon-silent.XXXXXX)

tb() { "$TESTBED/run.sh" "$@"; }
trap 'touch "$W/stop"; tb stop "$W" >/dev/null 2>&1 || true; rm -rf "$W"' EXIT

# Opens the connections without waiting for each (a daemon that takes them
# one by one would otherwise pace the crowd) and holds them until the stop
# mark appears.
HOLDER='
import os, socket, sys, time
n, ready, stop = int(sys.argv[1]), sys.argv[2], sys.argv[3]
held = []
for _ in range(n):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setblocking(False)
    s.connect_ex(("10.0.2.16", 11000))
    held.append(s)
open(ready, "w").close()
while not os.path.exists(stop):
    time.sleep(0.1)
'

tb start "$W" --binary "$BIN" --vendor "$VENDOR" --faketime "${FAKETIME:-none}" --lifetime 1200 \
  >/dev/null
tb wait "$W" 'Starting linkmon server' 300 >/dev/null
tb exec "$W" /bin/sh -c 'ulimit -n 16384; exec /usr/bin/python3 -c "$@"' sh "$HOLDER" \
  "$SILENT" "$W/ready" "$W/stop" &
until [ -e "$W/ready" ]; do sleep 0.1; done

times=()
for _ in $(seq "$REQUESTS"); do
  t0=$(date +%s.%N)
  tb exec "$W" timeout 300 "$BIN" 10.0.2.16 show status 02:00.0 >/dev/null || true
  t1=$(date +%s.%N)
  times+=("$(echo "$t0 $t1" | awk '{ printf "%.4f", $2 - $1 }')")
done
touch "$W/stop"
wait

printf '%s\n' "${times[@]}" | sort -n | awk -v silent="$SILENT" '
  { t[NR] = $1; sum += $1 }
  END {
    printf "silent peers: %d, status requests: %d\n", silent, NR
    printf "seconds per request: min %.4f median %.4f max %.4f mean %.4f\n",
      t[1], t[int((NR + 1) / 2)], t[NR], sum / NR
  }'
served=$(grep -cE '^\[[^]]*\] (\[[^]]*\] )?06\. 8086:15ab 02:00\.0 ' "$W/daemon.log" || true)
echo "status requests the daemon logged: $((served - 1))"
