#!/usr/bin/env bash
# Installs the libssecall component into a scratch DESTDIR, builds a C
# program from the installed header and pkg-config file alone, and runs it
# against the fake driver (never a real device).
#
#   install_test.sh CMAKE BUILD_DIR SHIM C_CLIENT_SOURCE
set -euo pipefail

cmake=$1
build=$2
shim=$3
client=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

DESTDIR=$scratch/root "$cmake" --install "$build" --component libssecall >/dev/null
pc=$(find "$scratch/root" -name libssecall.pc)
[ -n "$pc" ] || { echo "FAIL: libssecall.pc not installed" >&2; exit 1; }
export PKG_CONFIG_PATH=$(dirname "$pc") PKG_CONFIG_SYSROOT_DIR=$scratch/root
# pkg-config puts the sysroot in front of the paths it prints.
libdir=$(pkg-config --variable=libdir libssecall)
case $libdir in "$scratch"/*) ;; *) libdir=$scratch/root$libdir ;; esac
for file in "$libdir/libssecall.so" "$libdir/libssecall.so.1" \
            "$(pkg-config --variable=includedir libssecall)/ssecall.h"; do
  [ -e "$file" ] || { echo "FAIL: $file not installed" >&2; exit 1; }
done

# shellcheck disable=SC2046
gcc -std=c11 -Wall -Wextra -Werror -o "$scratch/client" "$client" \
  $(pkg-config --cflags --libs libssecall)

run() {
  FAKE_KLM_SSE=$1 LD_PRELOAD=$shim LD_LIBRARY_PATH=$libdir "$scratch/client"
}
want_absent='ERROR: sse_fd=-1 err=2 sse_lib failed to open the /dev/klm_sse
result=2
ERROR: sse_fd=-1 err=2 sse_lib failed to open the /dev/klm_sse
result=2'
got=$(run absent)
[ "$got" = "$want_absent" ] || { echo "FAIL: missing device, got:"$'\n'"$got" >&2; exit 1; }
got=$(run present)
[ "$got" = $'result=0\nresult=0' ] || { echo "FAIL: present device, got:"$'\n'"$got" >&2; exit 1; }
echo "PASS: installed header, pkg-config file and library work from C"
