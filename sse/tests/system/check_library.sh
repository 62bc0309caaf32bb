#!/usr/bin/env bash
# Checks the shipped libssecall's boundary with the C programs that load it.
#
#   check_library.sh LIBRARY exports|needed
#
# exports: the dynamic symbol table defines exactly sse_call.
# needed:  no C++ runtime among the NEEDED entries.
set -euo pipefail

library=$1
case $2 in
  exports)
    defined=$(nm -D --defined-only "$library" | awk '{print $NF}' | sort)
    if [ "$defined" != "sse_call" ]; then
      echo "FAIL: exported symbols are not exactly sse_call:" >&2
      echo "$defined" >&2
      exit 1
    fi
    ;;
  needed)
    needed=$(readelf -d "$library" | awk '/\(NEEDED\)/ {print $NF}')
    if echo "$needed" | grep -Eq 'libstdc\+\+|libgcc_s'; then
      echo "FAIL: the C++ runtime is a dependency:" >&2
      echo "$needed" >&2
      exit 1
    fi
    ;;
  *)
    echo "usage: check_library.sh LIBRARY exports|needed" >&2
    exit 2
    ;;
esac
echo "PASS: $2"
