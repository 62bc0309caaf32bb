#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time.
#
#   run_fuzzer.sh FUZZER SEED_DIR WORK_DIR SECONDS
#
# Every seed (regression cases included) is run first; new inputs the
# fuzzer finds go to WORK_DIR/corpus, never into the repository's seeds.
# A fault leaves its input in WORK_DIR and fails the run.
set -euo pipefail

if [ "$#" -ne 4 ]; then
  echo "usage: $0 FUZZER SEED_DIR WORK_DIR SECONDS" >&2
  exit 2
fi
fuzzer=$1 seeds=$2 work=$3 seconds=$4

rm -rf "$work"
mkdir -p "$work/corpus"
cd "$work"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$work/" corpus "$seeds"
