#!/usr/bin/env bash
# Runs pcie_monitor on the built-in simulated card and shows its log.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/host -j"$(nproc)" --target pcie_monitor >/dev/null
echo "demo: the simulated card is not wired up yet" >&2
exit 1
