#!/bin/bash
# A board code missing from the board-code table: the card index and board
# type are logged, then the refusal, and the program ends with status 0 in
# both modes, without mapping anything or contacting a server.
# shellcheck source=SCRIPTDIR/../../testbed/testlib.sh
source "$2/testlib.sh"

tb setup --binary "$BIN" --vendor "$VENDOR" >/dev/null

check_refusal() { # WHAT CMDLINE CODE BOARDTYPE ARGS...
  local what=$1 cmdline=$2 code=$3 boardtype=$4
  shift 4
  tb cmdline "$cmdline"
  # It ends before the start-up delay: no libfaketime needed.
  tb exec timeout 20 "$BIN" "$@" >"$W/daemon.log" 2>&1
  expect "$what: exit status" "$?" 0
  expect "$what: log" "$(entries)" \
"cardindex = $code
boardtype = $boardtype 
Linkmonitoring is not supported on card = $code\\n"
}

check_refusal "server, unknown code" "card_index=12345 boardtype=LC" 12345 LC 0x80000000
check_refusal "server, no card_index" "quiet boardtype=RP" 0 RP 0x80000000
check_refusal "client, unknown code" "card_index=27061 boardtype=RP" 27061 RP \
  10.0.2.16 show status 02:00.0

done_testing
