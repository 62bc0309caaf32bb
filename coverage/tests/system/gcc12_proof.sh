#!/bin/sh
# The runtime against GCC's own: the sample program, compiled once with
# --coverage, runs linked with GCC's libgcov and linked with libcovdump,
# the same way each time: to its end, and until signal 56 ends it. The
# split dumps of libcovdump must be byte for byte the .gcda files libgcov
# writes, gcov must print the same for every source, and gcovr and lcov
# must make a report of the split files.
#
#   gcc12_proof.sh WORKDIR SOURCEDIR OBJDIR GCOV NM COVTOOL LIBGCOV_PROGRAM
#                  COVDUMP_PROGRAM [EMULATOR...]
#
# WORKDIR is the build tree, SOURCEDIR the source tree (gcov reads the
# sources). OBJDIR holds the sample's .gcno files and is where its .gcda
# files are named. With an EMULATOR the programs run behind it and raise
# signal 56 themselves; otherwise the test sends it while the program
# waits. Exits 77 (skipped) when COVTOOL is not there: the ARM tree uses
# the host build's.
set -eu

if [ "${1:-}" != --inside ]; then
  if [ ! -x "$6" ]; then
    echo "SKIP: no covtool at $6" >&2
    exit 77
  fi
  exec unshare -m --propagation private sh "$0" --inside "$@"
fi
shift
work=$1 src=$2 covtool=$6
shift 2
sample_sources=$(cd "$(dirname "$0")" && pwd)/gcc12

# covtool may come from another (the host's) build tree.
root=$work/root-gcc12
sh "$(dirname "$0")/card_root.sh" "$root" "$work" "$src" "$(dirname "$covtool")"
mkdir -p "$root/misc/scratch"
printf 'card7\n' > "$root/tmp/cflow_loc"

exec chroot "$root" /bin/sh -s "$sample_sources" "$@" <<'CARD'
set -eu
sample_sources=$1 objdir=$2 gcov=$3 nm=$4 covtool=$5 with_libgcov=$6 with_covdump=$7
shift 7
fail() { echo "FAIL: $*" >&2; exit 1; }
cd /tmp
dumps=/misc/scratch/cflow
program=$(basename "$with_covdump")
# Components of OBJDIR, stripped from the data file names on both sides.
depth=$(printf '%s' "$objdir" | tr -cd / | wc -c)
signal_mode=wait
[ "$#" -eq 0 ] || signal_mode=self

"$nm" --defined-only "$with_covdump" | grep -q ' __gcov_[a-z]' &&
  fail "the libcovdump program took entry points from libgcov"

# Runs PROGRAM (behind the emulator, if any) in MODE; in wait mode sends
# signal 56 once the program is ready. Prints the process ID.
run() {
  mode=$1 prog=$2
  shift 2
  rm -f /tmp/ready
  "$@" "$prog" "$mode" /tmp/ready > "out-$mode" &
  pid=$!
  if [ "$mode" = wait ]; then
    tries=0
    until [ -e /tmp/ready ]; do
      tries=$((tries + 1))
      [ "$tries" -lt 400 ] || fail "$prog never got ready"
      sleep 0.05
    done
    kill -56 "$pid"
  fi
  wait "$pid" || fail "$prog ($mode) exited with status $?"
  echo "$pid"
}

# Runs the libgcov program in MODE; its .gcda files land in ref-MODE.
reference() {
  mode=$1
  shift
  (
    export GCOV_PREFIX="/tmp/ref-$mode" GCOV_PREFIX_STRIP="$depth"
    run "$mode" "$with_libgcov" "$@" > /dev/null
  )
  cp "$objdir"/*.gcno "ref-$mode/"
}

# Splits DUMP into DIR and compares it with ref-MODE, file by file.
compare() {
  dump=$1 dir=$2 mode=$3
  [ -f "$dump" ] || fail "no dump $dump"
  mkdir -p "$dir"
  "$covtool" split "$dump" -o "$dir" --strip "$depth" || fail "covtool split $dump"
  [ "$(cd "ref-$mode" && echo ./*.gcda)" = "$(cd "$dir" && echo ./*)" ] ||
    fail "$dir: other files than libgcov's"
  for data in "ref-$mode"/*.gcda; do
    cmp "$data" "$dir/$(basename "$data")" || fail "$dir: $(basename "$data") differs from libgcov's"
  done
  cp "$objdir"/*.gcno "$dir/"
  for tree in "ref-$mode" "$dir"; do
    (cd "$tree" && "$gcov" ./*.gcda > /dev/null) || fail "gcov in $tree"
  done
  for report in "ref-$mode"/*.gcov; do
    cmp "$report" "$dir/$(basename "$report")" || fail "$dir: gcov differs on $(basename "$report")"
  done
  echo "same as libgcov: $dir ($(cd "$dir" && echo ./*.gcda))"
}

# Any sign of the sample's sources in a report.
reports() {
  dir=$1
  gcovr --gcov-executable "$gcov" -r "$sample_sources" "$dir" > "$dir.gcovr" ||
    fail "gcovr on $dir"
  for source in main.c shapes.c tally.c; do
    grep -q "^$source " "$dir.gcovr" || fail "gcovr reports nothing of $source"
  done
  lcov --quiet --gcov-tool "$gcov" --capture --directory "$dir" --output-file "$dir.info" \
    2> "$dir.lcov-errors" || fail "lcov on $dir: $(cat "$dir.lcov-errors")"
  [ "$(grep -c '^SF:' "$dir.info")" -eq 3 ] || fail "lcov reports other than three sources"
}

# 1. To the end of main: the exit dump.
reference exit "$@"
pid=$(run exit "$with_covdump" "$@")
compare "$dumps/${program}_transient.ARM.$pid.dat" got-exit exit

# 2. Ended by signal 56: the dump on the signal, and the exit dump that
#    follows when the program's handler exits.
reference "$signal_mode" "$@"
pid=$(run "$signal_mode" "$with_covdump" "$@")
compare "$dumps/$program.ARM.$pid.dat" got-signal "$signal_mode"
compare "$dumps/${program}_transient.ARM.$pid.dat" got-signal-exit "$signal_mode"

reports got-exit
reports got-signal
echo PASS
CARD
