#!/usr/bin/env bash
# Runs pcie_monitor on the built-in simulated card of board 27065 (private
# mount and network namespaces, libfaketime running its clock 50 times
# faster) and shows its log: start-up, the discovered device table, a link
# loss in the card, a client's injected failure, a real loss notified to a
# waiting client, and a NIC link change. About a minute; stops what it
# started.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/host -j"$(nproc)" --target pcie_monitor >/dev/null

BIN=$PWD/build/host/linkmon/pcie_monitor
VENDOR=$(sed -n 's/^PLATFORM_VENDOR_ID:[A-Z]*=//p' build/host/CMakeCache.txt)
TB=$PWD/linkmon/testbed
W=$(mktemp -d /tmp/linkmon-demo.XXXXXX)
tb() { "$TB/run.sh" "$1" "$W" "${@:2}"; }
trap 'tb stop; rm -rf "$W"' EXIT

SHOWN=0
heading() { printf '\n=== %s ===\n' "$*"; }
# Prints the log written since the last call.
show_log() {
  local size
  size=$(stat -c %s "$W/daemon.log")
  tail -c "+$((SHOWN + 1))" "$W/daemon.log" | head -c "$((size - SHOWN))"
  SHOWN=$size
}
wait_log() { tb wait "$1" "${2:-20}" "${3:-1}" || { show_log; exit 1; }; }

# Two NICs of the card: veth pairs eth3/eth3p and eth4/eth4p.
printf 'eth3\neth4\n' >"$W/pnic_list.txt"
printf 'DRIVER=ixgbe\nPCI_ID=8086:15AB\nPCI_SLOT_NAME=0000:06:00.0\n' >"$W/eth3.uevent"
printf 'DRIVER=ixgbe\nPCI_ID=8086:15AB\nPCI_SLOT_NAME=0000:06:00.1\n' >"$W/eth4.uevent"

heading "Simulated card (board code 27065)"
grep -v '^#' "$TB/topologies/moska_rp.topo" | grep -v '^$' | cut -c1-100
heading "Start-up: board, MMCONFIG window, 90 s delay, discovery"
tb start --binary "$BIN" --vendor "$VENDOR" --pnic-list "$W/pnic_list.txt" \
  --veth eth3 --veth eth4 --uevent "eth3=$W/eth3.uevent" --uevent "eth4=$W/eth4.uevent"
started=$(date +%s)
wait_log 'Starting link monitoring' 40
show_log
heading "Device table: the record lines above in short (PIDX ff: unpaired, not watched)"
tb entries --table

heading "Link loss: 05:00.0 drops off the bus (inside the start-up quiet period)"
tb poke drop 05:00.0
wait_log '05:00\.0 T:00 .*NLS:0000ffff' 10
sleep 0.5
show_log
heading "05:00.0 comes back: recovery reported, BARs verified after the debounce"
tb poke restore 05:00.0
wait_log '^NEW BARs: 05:00\.0|NEW BARs: 05:00\.0' 10
show_log

# The quiet period ends 300 faked seconds (6 real ones) after start-up.
sleep $((started + 8 - $(date +%s))) 2>/dev/null || true
heading "Client: pcie_monitor 10.0.2.16 set link 02:00.0 (injected failure)"
rc=0
tb client 10.0.2.16 set link 02:00.0 || rc=$?
echo "(client exit status $rc)"
show_log

heading "A client waits; then 01:00.0 really drops off the bus"
tb client 10.0.2.16 show ues 07:00.0 >"$W/client.out" 2>&1 &
client=$!
wait_log 'linkmon: New client' 10 2
tb poke drop 01:00.0
rc=0
wait "$client" || rc=$?
echo "(client exit status $rc)"
cat "$W/client.out"
show_log

heading "NIC link change: eth3p taken down, so eth3 loses its link"
tb exec ip link set eth3p down
wait_log 'eth3 pnic link status change' 20
wait_log 'eth3 pnic link is down but eth4 pnic is up' 20
show_log
heading "Card reload requests recorded by the /sbin/pdreboot stand-in"
if [ -s "$W/pdreboot.log" ]; then tb pdreboot-log; else echo "(none: no critical device was lost)"; fi
heading "Done"
