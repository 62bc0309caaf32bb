#!/bin/sh
# The library's boundary: exactly the names of the version script are
# exported, nothing of libstdc++ is needed, and on the ARM build the
# library is 32-bit ARM.
#
#   boundary_test.sh NM READELF LIBRARY VERSION_SCRIPT [arm]
set -eu
nm=$1 readelf=$2 lib=$3 map=$4 arch=${5:-}
fail() { echo "FAIL: $*" >&2; exit 1; }

expected=$(sed -n 's/^ *\([A-Za-z_][A-Za-z0-9_]*\);$/\1/p' "$map" | sort)
exported=$("$nm" -D --defined-only "$lib" | awk '{print $3}' | sort)
if [ "$expected" != "$exported" ]; then
  echo "$expected" > exports.expected
  echo "$exported" > exports.actual
  diff exports.expected exports.actual >&2 || true
  fail "exported symbols differ from the version script"
fi
[ "$(echo "$expected" | wc -l)" -eq 46 ] || fail "version script should list 46 names"

needed=$("$readelf" -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
echo "NEEDED: $needed"
echo "$needed" | grep -q libstdc++ && fail "libstdc++ is needed"
echo "$needed" | grep -q '^libsafec' || fail "safeclib is not linked"

"$readelf" -d "$lib" | grep -q '(INIT_ARRAY)' || fail "no initialisation array"
if [ "$arch" = arm ]; then
  "$readelf" -h "$lib" | grep -q 'Class: *ELF32' || fail "not 32-bit"
  "$readelf" -h "$lib" | grep -q 'Machine: *ARM' || fail "not ARM"
fi
echo PASS
