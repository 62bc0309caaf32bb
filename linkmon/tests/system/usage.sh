#!/bin/bash
# pcie_monitor with 0, 2 or 3 arguments: the usage text on standard output
# and status 1, before the kernel command line is read.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"

tb setup --binary "$BIN" --vendor "$VENDOR" --cmdline "card_index=27065 boardtype=RP" >/dev/null

usage_text=$(printf '%s\n' \
  "Usage: Two modes" \
  "$BIN 0x80000000 - server mode" \
  "$BIN 10.0.2.16 set|show sata|link|ues|pniclnk|pnicerr|status|hitless bb:dd.f - client mode" \
  "0x80000000 is PCI MMCONFIG base address" \
  "10.0.2.16 is Host IP address")

for args in "" "0x80000000 extra" "10.0.2.16 show status"; do
  # shellcheck disable=SC2086
  out=$(tb exec "$BIN" $args 2>"$W/stderr")
  rc=$?
  label="${args:-no arguments}"
  expect "exit status with $label" "$rc" 1
  expect "usage text with $label" "$out" "$usage_text"
  case $out in *cardindex*|*boardtype*) fail "kernel command line read with $label" ;; esac
  expect "standard error with $label" "$(cat "$W/stderr")" ""
done

done_testing
