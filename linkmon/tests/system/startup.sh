#!/bin/bash
# Start-up of a supported board (27065, the default card): the lines of the
# main thread in their order, the 90-second delay before discovery, the
# server's lines, and the time-stamp prefix of every entry.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"

start_daemon >/dev/null
wait_log 'Starting link monitoring' 40

# Main-thread entries up to the loop's start, without the server's lines
# (its thread runs beside discovery) and the NIC list's.
main_lines=$(entries | sed '/^Starting link monitoring/q' |
  grep -vE '^(server ip address: |Starting linkmon server|Unable to open /etc/init.d/pd_pnic_list.txt)')
expected=(
  '^cardindex = 27065$'
  '^boardtype = RP $'
  '^MMCONFIG paddr = 80000000 vaddr = 0x[0-9a-f]+\\n$'
  '^SATA Ports Implemented = 5\\n$'
  '^AHCI INST 0: 0123\\n$'
  '^AHCI INST 1: 0123\\n$'
  '^BARs: 01:00\.0: fb000000:0:fa000000:0:0:0:\\n$'
  '^BARs: 05:00\.0: f7000000:0:f6000000:0:0:0:\\n$'
)
for i in 0 1 2 3 4 5 6 7 8 9; do
  expected+=("^0$i\\. ")
done
expected+=('^Starting link monitoring\\n$')
i=0
while IFS= read -r line; do
  if [ $i -ge ${#expected[@]} ]; then
    fail "unexpected start-up entry: $line"
  elif ! grep -qE -- "${expected[$i]}" <<<"$line"; then
    fail "start-up entry $i: /${expected[$i]}/"
    printf '  got: %s\n' "$line" >&2
  fi
  i=$((i + 1))
done <<<"$main_lines"
expect "number of start-up entries" "$i" "${#expected[@]}"

# The server thread starts after the delay, before discovery ends.
expect "server address line" "$(count_entries '^server ip address: 268566538 $')" 1
expect "server start line" "$(count_entries '^Starting linkmon server\.\.\\n$')" 1

# At least 90 faked seconds between the mapping and the start of the server
# thread, and those are one 90-second sleep: the daemon's only one (the shim
# records every request).  How much longer the measured gap is depends on the
# machine's load (at x50 one real second adds 50 faked ones), so it is not
# bounded from above.
t_map=$(stamp 'MMCONFIG paddr')
t_server=$(stamp 'server ip address')
delay=$(/usr/bin/python3 -c "print(int(float('${t_server:-0}') - float('$t_map')))")
if [ "$delay" -lt 90 ]; then
  fail "start-up delay of $delay faked seconds, wanted 90"
fi
expect "90-second sleeps asked for" "$(grep -cx '90\.0*' "$W/sleeps.log" || true)" 1

# Every entry starts with [seconds.micro] [mm/dd/yy hh:mm:ss], the seconds
# right-aligned in at least 5 columns.
prefixes=$(grep -oE '\[ *[0-9]+\.[0-9]{6}\] ' "$W/daemon.log" | wc -l)
dated=$(grep -oE '\[[ 0-9]{4,}[0-9]\.[0-9]{6}\] \[[0-9]{2}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\] ' \
  "$W/daemon.log" | wc -l)
expect "entries with the full prefix" "$dated" "$prefixes"

done_testing
