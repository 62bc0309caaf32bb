# Helpers for end-to-end test scripts of pcie_monitor; sourced, not run.
# A script is run as: bash SCRIPT.sh PCIE_MONITOR TESTBED_DIR PLATFORM_VENDOR_ID WORKDIR
# shellcheck shell=bash

set -uo pipefail

BIN=${1:?pcie_monitor binary}
TESTBED=${2:?test bed folder}
VENDOR=${3:?platform vendor ID}
W=${4:-$(mktemp -d /tmp/linkmon-e2e.XXXXXX)}
# shellcheck disable=SC2034 # for the scripts that source this
VENDOR_HEX=$(printf '%04x' "$((VENDOR))")
TEST_NAME=$(basename "$0" .sh)
FAILURES=0

if [ "$(id -u)" -ne 0 ]; then
  echo "$TEST_NAME: skipped: needs root for namespaces" >&2
  exit 77
fi
mkdir -p "$W"

# The runner on this test's work directory: tb poke drop 05:00.0
tb() {
  local cmd=$1
  shift
  "$TESTBED/run.sh" "$cmd" "$W" "$@"
}

finish() {
  local rc=$?
  tb stop >/dev/null 2>&1 || true
  if [ "$rc" -ne 0 ] || [ "$FAILURES" -ne 0 ]; then
    echo "---- $TEST_NAME: daemon log (last 60 lines) ----" >&2
    tail -n 60 "$W/daemon.log" >&2 2>/dev/null || true
  fi
}
trap finish EXIT

fail() {
  echo "FAIL: $TEST_NAME: $*" >&2
  FAILURES=$((FAILURES + 1))
}

# expect WHAT ACTUAL WANTED: compares two texts.
expect() {
  if [ "$2" != "$3" ]; then
    fail "$1"
    printf '  got:    %q\n  wanted: %q\n' "$2" "$3" >&2
  fi
}

# start_daemon [runner options] [-- args]: the daemon on a fresh card.
start_daemon() {
  tb start --binary "$BIN" --vendor "$VENDOR" "$@"
}

# wait_log REGEX [TIMEOUT [COUNT]]: a physical log line matches (grep -E).
wait_log() {
  tb wait "$@" || { fail "no log line /$1/ x${3:-1}"; return 1; }
}

# entries [--stamps]: one line per log entry (see logentries.py): time
# prefix cut, line ends written as the two characters \n.
entries() {
  /usr/bin/python3 "$TESTBED/logentries.py" "$W/daemon.log" "$@"
}

# stamp REGEX: monotonic seconds of the first entry matching (grep -E).
stamp() {
  entries --stamps | grep -E -m1 -- "^[0-9.]+	$1" | cut -f1
}

# count_entries REGEX: number of entries matching (grep -E).
count_entries() {
  entries | grep -cE -- "$1" || true
}

# record_lines BDF: the record lines of a function, as entries.
record_lines() {
  entries | grep -E -- "^[0-9a-f]{2}\. [0-9a-f]{4}:[0-9a-f]{4} $1 T:" || true
}

# wait_entries REGEX [TIMEOUT [COUNT]]: like wait_log, on entries. While
# the raw log has no line that could hold such an entry (the pattern up to
# its first line end, after a time prefix, without its end anchor), the
# entries are not split (cheaper).
ENTRY_START='\[ *[0-9]+\.[0-9]{6}\] (\[[^]]*\] )?'
wait_entries() {
  local pattern=$1 timeout=${2:-20} count=${3:-1} n=0 raw=""
  case $pattern in
    *'|'*) ;;
    *) raw=${pattern%%'\\n'*}; raw=${raw/#^/$ENTRY_START}; raw=${raw%\$} ;;
  esac
  local deadline=$((SECONDS + timeout))
  while :; do
    if [ -z "$raw" ] || grep -qE -- "$raw" "$W/daemon.log" 2>/dev/null; then
      n=$(count_entries "$pattern")
      [ "$n" -ge "$count" ] && return 0
    fi
    if [ $SECONDS -ge "$deadline" ]; then
      fail "no entry /$pattern/ x$count (saw $n)"
      return 1
    fi
    sleep 0.1
  done
}

# wait_until WHAT TIMEOUT CMD...: runs CMD every 50 ms until it succeeds;
# after TIMEOUT seconds the check fails with WHAT.
wait_until() {
  local what=$1 timeout=$2
  shift 2
  local deadline=$((SECONDS + timeout))
  until "$@"; do
    if [ $SECONDS -ge $deadline ]; then
      fail "timed out waiting for $what"
      return 1
    fi
    sleep 0.05
  done
}

# wait_file FILE [TIMEOUT]: until FILE exists (a peer's ready mark, say).
wait_file() {
  wait_until "$1" "${2:-10}" test -e "$1"
}

# sleeps_asked SECONDS: how many sleeps of exactly that many (faked)
# seconds the daemon has asked for so far (the shim's sleeps.log). The
# monitoring loop asks for 1 second before every pass and 2 seconds for
# every look at the pause word.
sleeps_asked() {
  local n
  n=$(grep -cx -- "$1\.0*" "$W/sleeps.log" 2>/dev/null)
  echo "${n:-0}"
}

# sleeps_since SECONDS START N: at least N more such sleeps than START.
sleeps_since() {
  [ "$(sleeps_asked "$1")" -ge $(($2 + $3)) ]
}

# wait_passes [N [TIMEOUT]]: until the monitoring loop has run N (default 1)
# whole passes that began after the call: N + 1 more 1-second sleeps, as the
# pass under way at the call may have read the card before it.
wait_passes() {
  local n=${1:-1} timeout=${2:-10} start
  start=$(sleeps_asked 1)
  wait_until "$n monitoring passes" "$timeout" sleeps_since 1 "$start" $((n + 1))
}

# wait_pause_polls [N [TIMEOUT]]: until the paused loop has begun N (default
# 1) more 2-second looks at the pause word.
wait_pause_polls() {
  local n=${1:-1} timeout=${2:-10} start
  start=$(sleeps_asked 2)
  wait_until "$n pause polls" "$timeout" sleeps_since 2 "$start" "$n"
}

# Real seconds (with fraction) since an arbitrary start, for deadlines.
now() { date +%s.%N; }

# sleep_until T: sleeps until now() is T or later.
sleep_until() {
  /usr/bin/python3 -c 'import sys, time; time.sleep(max(0.0, float(sys.argv[1]) - time.time()))' "$1"
}

# done_testing: the script's exit status.
done_testing() {
  if [ "$FAILURES" -ne 0 ]; then
    echo "$TEST_NAME: $FAILURES check(s) failed" >&2
    exit 1
  fi
  echo "$TEST_NAME: passed"
  exit 0
}
