#!/bin/bash
# Discovery on two cards: which functions become rows, their record lines
# (exact format), the pairing of link partners and the SATA controller.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"

V=$VENDOR_HEX
FORMAT='%02x. %04x:%04x %02x:%02x.%x T:%02x PSS:%02x:%02x:%02x LS:%08xNLS:%08x SCAP:%08x UES:%08x NUES:%08x UEM:%08x UESV:%08xNICERR:%08x PVD:%04x:%04x PIDX:%02x NTFMSK:%x HWID:[%s] NAME[%s]\n'

# record ROW VENDOR DEVICE B D F T P S S LS SCAP UEM UESV PVEN PDEV PIDX HWID NAME:
# the record line at discovery (NLS, UES, NUES, NICERR and NTFMSK 0), cut
# at 254 characters as the log cuts it, line ends written as \n.
record() {
  local line
  # shellcheck disable=SC2059
  line=$(printf "$FORMAT" "0x$1" "0x$2" "0x$3" "0x$4" "0x$5" "0x$6" "0x$7" "0x$8" "0x$9" \
    "0x${10}" "0x${11}" 0 "0x${12}" 0 0 "0x${13}" "0x${14}" 0 "0x${15}" "0x${16}" \
    "0x${17}" 0 "${18}" "${19}"; echo .)
  line=${line%.}
  line=${line:0:254}
  printf '%s\n' "${line//$'\n'/\\n}"
}

check_rows() { # WHAT EXPECTED-LINES
  local got
  got=$(entries | grep -E '^[0-9a-f]{2}\. [0-9a-f]{4}:[0-9a-f]{4} ')
  expect "$1: record lines" "$got" "$2"
}

# ---- the default card of board 27065 ----
start_daemon >/dev/null
wait_log 'Starting link monitoring' 40
PEX="PEX 8725 24-lane, 10-Port PCI Express Gen 3 (8.0 GT/s) Switch
"
check_rows "default card" "$(
  record 00 8086 6f02 0 01 0 1 0 1 1 3012 00080060 0 0 "$V" 0100 05 "" "Root Port 1
"
  record 01 8086 6f04 0 02 0 1 0 2 2 3012 00100060 0 0 8086 15ab 06 "" "Root Port 2
"
  record 02 8086 6f08 0 03 0 1 0 3 5 3043 00180060 0 0 10b5 8725 07 "" "Root Port 3
"
  record 03 8086 15ab 0 14 0 0 0 0 0 1012 0 0 0 8086 15ab ff "" \
    "Ethernet Connection X552 10 GbE Backplane
"
  record 04 8086 8c02 0 1f 2 3 0 0 0 01230123 0 0 0 8086 8c02 fe "" \
    "8 Series/C220 Series Chipset Family 6-port SATA Controller 1 [AHCI mode]
"
  record 05 "$V" 0100 1 0 0 0 0 0 0 1012 0 00100000 00066030 8086 6f02 00 "RP-FPGA-A
" "Route processor FPGA
"
  record 06 8086 15ab 2 0 0 0 0 0 0 1012 0 00100000 00062030 8086 6f04 01 "" \
    "Ethernet Connection X552 10 GbE SFP+
"
  record 07 10b5 8725 3 0 0 1 3 4 5 1043 0 0 0 8086 6f08 02 "" "$PEX"
  record 08 10b5 8725 4 0 0 1 4 5 5 3012 00200060 0 0 "$V" 0100 09 "" "$PEX"
  record 09 "$V" 0100 5 0 0 0 0 0 0 1012 0 00100000 00066030 10b5 8725 08 "LC-FPGA-B
" "Line card FPGA
"
)"
for gone in 00:00.0 02:00.1 03:10.0 04:01.0; do
  expect "default card: no row for $gone" "$(record_lines "$gone")" ""
done
tb stop

# ---- edge cases ----
start_daemon --topology "$TESTBED/topologies/scan_edges.topo" >/dev/null
wait_log 'Starting link monitoring' 40
check_rows "edge card" "$(
  record 00 8086 6f02 0 01 0 1 0 1 1 3012 00080060 0 0 8086 6f02 ff "" "Root Port 1
"
  record 01 8086 05c1 0 02 0 1 0 2 2 3012 00100060 0 0 "$V" 0100 05 "" "Root Port 2
"
  record 02 8086 6f08 0 03 0 1 0 3 4 3043 00180060 0 0 10b5 8725 07 "" "Root Port 3
"
  record 03 "$V" 0100 0 1c 0 0 0 0 0 1012 0 0 00066030 "$V" 0100 ff "" "On-board FPGA
"
  record 04 8086 8c02 0 1f 2 3 0 0 0 01230133 0 0 0 8086 8c02 fe "" \
    "SATA Controller 1 [AHCI mode]
"
  record 05 "$V" 0100 2 0 0 0 0 0 0 1012 0 0 0 8086 05c1 01 "" ""
  record 06 8086 15ab 3 0 0 0 0 0 0 1012 0 0 0 8086 6f08 02 "NIC%s-A
" "X552 100% SFP+
"
  record 07 10b5 8725 3 0 1 1 3 4 4 1012 0 0 0 8086 15ab 08 "" "Switch port
"
  record 08 8086 15ab 4 0 0 0 0 0 0 1022 0 0 0 10b5 8725 07 "" "X552 below switch
"
)"
shortest=$(record_lines 02:00.0)
shortest=${shortest//\\n/$'\n'}
expect "record line without HWID and NAME: length" "${#shortest}" 193
expect "SATA lines" "$(entries | grep -E '^(SATA|AHCI|Cannot locate|Empty SATA|Unable to map)')" \
'SATA Ports Implemented = ac\n
AHCI INST 0: 0133\n
AHCI INST 1: 0123\n'
expect "captured BARs" "$(entries | grep -E '^BARs: ')" \
'BARs: 00:02.0: fe000004:0:20200:0:0:0:\n
BARs: 00:1c.0: 0:0:0:0:0:0:\n
BARs: 02:00.0: 0:0:0:0:0:0:\n'

done_testing
