#!/bin/sh
# GCC 12 data images against GCC's own tools: a sample program built with
# -fprofile-generate runs twice; the .gcda files of each run, wrapped into
# a dump, must split back byte for byte, and covtool's merge of the two
# dumps must split into exactly what gcov-tool-12 merge writes.
#
#   gcc12_merge_test.sh COVTOOL WRAP SAMPLE_DIR WORK_DIR
set -eu
covtool=$1 wrap=$2 sample=$3 work=$4
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cd "$work"
work=$(pwd -P)
gcc -O2 -fprofile-generate -c "$sample/calc.c" -o calc.o
g++ -O0 -fprofile-generate -c "$sample/shapes.cpp" -o shapes.o
g++ -O0 -fprofile-generate -c "$sample/scale_user.cpp" -o scale_user.o
g++ -fprofile-generate calc.o shapes.o scale_user.o -o calc
GCOV_PREFIX=$work/run1 ./calc 7 > /dev/null
GCOV_PREFIX=$work/run2 ./calc 40 > /dev/null

# The objects' data files are named as compiled: $work/NAME.gcda.
depth=$(echo "$work" | tr -cd / | wc -c)
objects="calc shapes scale_user"
for run in run1 run2; do
  set --
  for o in $objects; do set -- "$@" "$work/$o.gcda=$run$work/$o.gcda"; done
  "$wrap" "$run.dat" "$@"
done

"$covtool" split run1.dat -o split1 --strip "$depth"
for o in $objects; do
  cmp "split1/$o.gcda" "run1$work/$o.gcda" || fail "split of $o.gcda differs"
done
"$covtool" merge -o same.dat run1.dat
cmp same.dat run1.dat || fail "merge of one dump is not the dump"

"$covtool" merge -o merged.dat run1.dat run2.dat
"$covtool" split merged.dat -o merged --strip "$depth"
gcov-tool-12 merge "run1$work" "run2$work" -o reference
for o in $objects; do
  cmp "merged/$o.gcda" "reference/$o.gcda" || fail "merged $o.gcda differs from gcov-tool's"
done

"$covtool" list run1.dat | grep -q "version B22\* (GCC 12)" || fail "list: no GCC 12 version"
"$covtool" diff run1.dat run2.dat > diff.out
grep -q "reached only in B" diff.out || fail "diff: nothing reached only in the long run"
grep -q "reached only in A" diff.out && fail "diff: the short run reached something more"
echo PASS
