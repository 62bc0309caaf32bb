#!/usr/bin/env bash
# covtool merge against cat: 100 dumps of the coverage benchmark's shape
# (about 8.8 MB each), merged into one, and the same files copied to
# /dev/null by cat. Prints the best of five runs of each, the speed ratio
# and covtool's peak resident set size. Not run by ctest.
#
#   covtool_merge_bench.sh BUILD_DIR [WORK_DIR]
#
# BUILD_DIR is the host build tree (covtool and covtool_dumpgen built);
# WORK_DIR (default: a new directory under /tmp) keeps the dumps.
set -euo pipefail

if [ "$#" -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [WORK_DIR]" >&2
  exit 2
fi
build=$1
work=${2:-$(mktemp -d /tmp/covtool-bench.XXXXXX)}
covtool=$build/coverage/tool/covtool
dumpgen=$build/coverage/bench/covtool_dumpgen
dumps=100
runs=5

mkdir -p "$work"
for i in $(seq 1 "$dumps"); do
  [ -f "$work/dump$i.dat" ] || "$dumpgen" "$work/dump$i.dat" "$i"
done
inputs=()
for i in $(seq 1 "$dumps"); do inputs+=("$work/dump$i.dat"); done
total=$(cat "${inputs[@]}" | wc -c)

# Best wall-clock time in seconds of $runs runs of a command. The merged
# dump is removed before each run (outside the timing): each run writes a
# new file, as a merge into a fresh name does.
best() {
  local t best_t=
  for _ in $(seq 1 "$runs"); do
    rm -f "$work/merged.dat"
    t=$( { TIMEFORMAT=%R; time "$@" > /dev/null; } 2>&1 )
    if [ -z "$best_t" ] || awk -v a="$t" -v b="$best_t" 'BEGIN { exit !(a < b) }'; then
      best_t=$t
    fi
  done
  echo "$best_t"
}

cat "${inputs[@]}" > /dev/null # page cache warm
cat_s=$(best cat "${inputs[@]}")
merge_s=$(best "$covtool" merge -o "$work/merged.dat" "${inputs[@]}")
rm -f "$work/merged.dat"
rss_kb=$(/usr/bin/time -f %M "$covtool" merge -o "$work/merged.dat" "${inputs[@]}" 2>&1 >/dev/null)
# Processor time (user + system), which other load on the machine does not
# stretch as it stretches wall-clock time.
cpu() { /usr/bin/time -f '%U %S' "$@" 2>&1 >/dev/null | awk '{ print $1 + $2 }'; }
cat_cpu=$(cpu cat "${inputs[@]}")
rm -f "$work/merged.dat"
merge_cpu=$(cpu "$covtool" merge -o "$work/merged.dat" "${inputs[@]}")
largest=$(stat -c %s "${inputs[0]}")

echo "inputs: $dumps dumps, $total bytes in all, the largest $largest bytes"
awk -v c="$cat_s" -v m="$merge_s" -v t="$total" 'BEGIN {
  printf "cat:   %.3f s (%.0f MB/s)\n", c, t / c / 1e6
  printf "merge: %.3f s (%.0f MB/s), %.2f of cat'"'"'s speed\n", m, t / m / 1e6, c / m
}'
echo "processor time: cat $cat_cpu s, merge $merge_cpu s"
echo "merge peak RSS: $rss_kb kB"
