#!/usr/bin/env bash
# Builds everything (host, sanitizers, 32-bit ARM) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# 0. House checks, before anything is built: every C and C++ file is
#    formatted with the repository's .clang-format, every shell script
#    passes shellcheck.
git ls-files -z '*.c' '*.cpp' '*.h' '*.hpp' | xargs -0 clang-format --dry-run -Werror
git ls-files -z '*.sh' | xargs -0 shellcheck

jobs=$(nproc)
run_ctest() { ctest --test-dir "$1" --output-on-failure --no-tests=error -j"$jobs" "${@:2}"; }

# 1. The shipped build: unit, system (real binaries on a simulated card) and
#    library-boundary tests.
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWERROR=ON
cmake --build build/host -j"$jobs"

# 2. AddressSanitizer and UndefinedBehaviorSanitizer (clang) over the unit
#    tests, and the libFuzzer targets, each for a few seconds from its seeds.
if [ -f build/asan/CMakeCache.txt ] &&
  ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++$' build/asan/CMakeCache.txt; then
  rm -rf build/asan # a tree another compiler configured: start it afresh
fi
cmake -S . -B build/asan -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DWERROR=ON -DSANITIZE=ON -DBUILD_FUZZERS=ON -DBUILD_BENCHMARKS=OFF
cmake --build build/asan -j"$jobs"

# 3. ThreadSanitizer over the concurrency tests.
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DWERROR=ON -DSANITIZE_THREAD=ON -DBUILD_BENCHMARKS=OFF
cmake --build build/tsan -j"$jobs" --target linkmon_concurrency_tests ssecall_tests

# 4. The coverage runtime for 32-bit ARM, its tests under qemu-arm.
cmake -S . -B build/arm -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabihf.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWERROR=ON -DBUILD_BENCHMARKS=OFF
cmake --build build/arm -j"$jobs"

run_ctest build/asan -L 'unit|fuzz'
if ctest --test-dir build/tsan -N -L concurrency | grep -q 'Total Tests: [1-9]'; then
  run_ctest build/tsan -L concurrency
fi
run_ctest build/arm
run_ctest build/host

# 5. Installs and packages: every component into a DESTDIR, a C consumer of
#    each library through its installed .pc file (the ARM one under
#    qemu-arm), the service checked by systemd, the Debian packages of both
#    trees and lintian over them.
bash packaging/install_test.sh build/host build/arm
