#!/bin/sh
# The iofpga-sim helper seeds and shows the simulated FPGA.
#   tool_check.sh IOFPGA_SIM
set -eu
tool=$1
IOFPGA_SIM_STATE=$(mktemp)
export IOFPGA_SIM_STATE
trap 'rm -f "$IOFPGA_SIM_STATE" "$IOFPGA_SIM_STATE.bin" "$IOFPGA_SIM_STATE.out"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$tool" init
printf 'ABCD' >"$IOFPGA_SIM_STATE.bin"
"$tool" load 1 2 "$IOFPGA_SIM_STATE.bin" 0x10
[ "$("$tool" dump 1 2 6 0x0f)" = "ff 41 42 43 44 ff" ] || fail "dump"
"$tool" save 1 2 "$IOFPGA_SIM_STATE.out" 4 0x10
cmp -s "$IOFPGA_SIM_STATE.bin" "$IOFPGA_SIM_STATE.out" || fail "save"
"$tool" fan 1 off
[ "$("$tool" reg 0x118)" = "0x00050000" ] || fail "fan presence"
"$tool" psu 9 off
[ "$("$tool" reg 0x11c)" = "0x01ff0000" ] || fail "psu presence"
"$tool" aux 2 0 0xe1 0x01
[ "$("$tool" aux 2 0 0xe1)" = "0x01" ] || fail "aux"
"$tool" busy 1 0 forever 0
"$tool" fail-read any 3 5
"$tool" fail-write 0x224 forever
"$tool" status | grep -q "fan presence 0x00050000" || fail "status"
"$tool" reg 0x100 0x1234
"$tool" log | grep -q "0x100 <- 0x00001234" && fail "sim writes by the helper are not transfers"
if "$tool" bogus 2>/dev/null; then fail "unknown command accepted"; fi
if "$tool" load 3 0 "$IOFPGA_SIM_STATE.bin" 2>/dev/null; then fail "controller 3 accepted"; fi
echo "iofpga-sim helper works"
