#!/bin/sh
# The built library exports exactly the listed symbols, carries its soname
# and does not need the C++ runtime.
#   check_exports.sh LIBRARY SYMBOL_LIST
set -eu
lib=$1
list=$2
# Version nodes show up as absolute symbols of their own: not exports.
actual=$(nm -D --defined-only "$lib" | awk '$2 != "A" {print $3}' | sed 's/@.*//' | sort)
expected=$(grep -v '^#' "$list" | sed '/^$/d' | sort)
if [ "$actual" != "$expected" ]; then
  echo "exported symbols differ from $list:"
  printf '%s\n' "$expected" >/tmp/.exports_expected.$$
  printf '%s\n' "$actual" | diff /tmp/.exports_expected.$$ - || true
  rm -f /tmp/.exports_expected.$$
  exit 1
fi
needed=$(readelf -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
case "$needed" in
  *libstdc++*) echo "libstdc++ is needed: $needed"; exit 1 ;;
esac
for lib_needed in libiofpga.so libi2c.so.0 libsafec.so.3; do
  printf '%s\n' "$needed" | grep -qx "$lib_needed" || { echo "$lib_needed not needed"; exit 1; }
done
readelf -d "$lib" | grep -q 'SONAME.*\[libboardprom.so.1\]' || { echo "soname"; exit 1; }
echo "exports, soname and NEEDED entries as expected"
