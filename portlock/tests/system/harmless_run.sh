#!/usr/bin/env bash
# Runs the real portlock on a path that must not touch any I/O port and
# checks its output and exit status.
#
#   harmless_run.sh PORTLOCK no_argument|unknown_option
#
# Belt and braces: the program runs without CAP_SYS_RAWIO (dropped from the
# bounding, inheritable and ambient sets), so the kernel would refuse any
# port grant even if a fault sent it down a port path. Only these two fixed
# invocations exist here; nothing in this script can pass -U or -L.
set -euo pipefail

portlock=$1
mode=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

no_rawio=(setpriv --bounding-set=-sys_rawio --inh-caps=-sys_rawio --ambient-caps=-sys_rawio)
if [ "$(id -u)" -eq 0 ]; then
  # CAP_SYS_RAWIO is bit 17: refuse to run at all unless it is really gone.
  capeff=$("${no_rawio[@]}" sed -n 's/^CapEff:[[:space:]]*//p' /proc/self/status)
  if (( (16#$capeff >> 17) & 1 )); then
    echo "FAIL: could not drop CAP_SYS_RAWIO; not running portlock" >&2
    exit 1
  fi
else
  no_rawio=()
fi

case $mode in
  no_argument)
    args=()
    want_err='usage: portlock -U (unlock) | -L (lock)'
    want_status=1
    ;;
  unknown_option)
    args=(-X)
    want_err=''
    want_status=0
    ;;
  *)
    echo "FAIL: unknown mode $mode" >&2
    exit 2
    ;;
esac

status=0
"${no_rawio[@]}" "$portlock" "${args[@]}" >"$scratch/out" 2>"$scratch/err" || status=$?

fail=0
if [ "$(cat "$scratch/out")" != 'Portlock programme' ] || [ "$(wc -l <"$scratch/out")" -ne 1 ]; then
  echo "FAIL: standard output is not the banner alone:" >&2
  cat "$scratch/out" >&2
  fail=1
fi
if [ "$(cat "$scratch/err")" != "$want_err" ]; then
  echo "FAIL: standard error: got '$(cat "$scratch/err")', want '$want_err'" >&2
  fail=1
fi
if [ "$status" -ne "$want_status" ]; then
  echo "FAIL: exit status $status, want $want_status" >&2
  fail=1
fi
[ "$fail" -eq 0 ] && echo "PASS: portlock $mode"
exit "$fail"
