#!/bin/sh
# Round trip of the dumps a real program writes through libcovdump: the
# probe runs on a simulated card (a private mount namespace whose root is a
# fresh tmpfs, with its own /misc and /tmp; under the emulator on the ARM
# build), dumps on signal 56 and at exit; covtool then lists, merges,
# compares and splits the two dumps.
#
#   roundtrip_test.sh BUILD_DIR WORK_DIR COVTOOL WRAP COMMAND...
#
# BUILD_DIR holds the probe and the library; WORK_DIR lies below it.
# COMMAND is the probe, behind the emulator on the ARM build, where COVTOOL
# and WRAP come from the host build: without them the test is skipped
# (status 77).
set -eu
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "${1:-}" = --inside ]; then
  shift
  build=$1 work=$2
  shift 2
  root=$work/root
  sh "$(dirname "$0")/../../tests/system/card_root.sh" "$root" "$build"
  mkdir -p "$root/misc/scratch"
  printf 'card7\n' > "$root/tmp/cflow_loc"
  chroot "$root" "$@"
  cp "$root"/misc/scratch/cflow/*.ARM.*.dat "$work/dumps/"
  exit 0
fi

build=$1 work=$2 covtool=$3 wrap=$4
shift 4
if [ ! -x "$covtool" ] || [ ! -x "$wrap" ]; then
  echo "SKIP: no host build of covtool at $covtool"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work/dumps"
unshare -m --propagation private sh "$0" --inside "$build" "$work" "$@"
cd "$work/dumps"
signal=$(ls roundtrip_probe.ARM.*.dat)
exit_dump=$(ls roundtrip_probe_transient.ARM.*.dat)

"$covtool" list "$signal" > list.out
cat list.out
grep -qx "$signal: container version 3, 3 records" list.out || fail "list header"
grep -A3 -x /build/src/alpha.gcda list.out | grep -qx "  arcs: 3 of 5 non-zero, sum 6, max 3" ||
  fail "alpha arcs"
grep -A3 -x /build/src/beta.gcda list.out | grep -qx "  arcs: 2 of 3 non-zero, sum 30, max 20" ||
  fail "beta arcs"
grep -A2 -x /build/lib/gamma.gcda list.out | grep -qx "  counters: interval 2" || fail "gamma"

"$covtool" merge -o same.dat "$signal"
cmp same.dat "$signal" || fail "merge of one dump is not the dump"
"$covtool" merge -o both.dat "$signal" "$exit_dump"
"$covtool" list both.dat | grep -A3 -x /build/src/alpha.gcda |
  grep -qx "  arcs: 4 of 5 non-zero, sum 17, max 6" || fail "merged alpha arcs"

"$covtool" diff "$signal" "$exit_dump" > diff.out
printf '%s\n' /build/src/alpha.gcda "  reached only in B: function 101" | cmp - diff.out ||
  fail "diff"

# Split files wrapped again in the dump's order give the dump back.
"$covtool" split "$exit_dump" -o split --strip 2
"$wrap" rewrapped.dat /build/src/alpha.gcda=split/alpha.gcda /build/src/beta.gcda=split/beta.gcda \
  /build/lib/gamma.gcda=split/gamma.gcda
cmp rewrapped.dat "$exit_dump" || fail "split files differ from the records"
echo PASS
