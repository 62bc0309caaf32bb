#!/bin/sh
# The boundary of a built C-ABI library with the programs that load it:
#  - its dynamic symbol table defines exactly the names of the global:
#    section of its version script (the script is the only list),
#  - its soname, and the machine it was built for,
#  - no C++ runtime among its NEEDED entries, and every NEEDED entry named.
#
#   check_library.sh NM READELF LIBRARY VERSION_SCRIPT SONAME MACHINE [NEEDED...]
set -eu

if [ "$#" -lt 6 ]; then
  echo "usage: $0 NM READELF LIBRARY VERSION_SCRIPT SONAME MACHINE [NEEDED...]" >&2
  exit 2
fi
nm=$1 readelf=$2 lib=$3 map=$4 soname=$5 machine=$6
shift 6
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

# The names of every node's "global:" section (up to its "local:" or the
# node's end), comments dropped, one a line.
expected=$(perl -0777 -ne '
  s{/\*.*?\*/}{}gs;
  my @sections = /global:(.*?)(?:local:|\})/sg or die "no global: section\n";
  print "$_\n" for grep { length } map { s/^\s+|\s+$//gr } map { split /;/ } @sections;
' "$map" | sort)
[ -n "$expected" ] || fail "$map lists no names"
case $expected in
  *'*'* | *'?'*) fail "$map exports by pattern; list every name" ;;
esac
# Version node names show as absolute symbols (type A): they are no exports.
exported=$("$nm" -D --defined-only "$lib" | awk '$2 != "A" {print $NF}' | sed 's/@.*//' | sort)
if [ "$expected" != "$exported" ]; then
  fail "exported symbols differ from $map (< script, > library):"
  printf '%s\n' "$expected" >"$lib.exports.expected"
  printf '%s\n' "$exported" | diff "$lib.exports.expected" - >&2 || true
  rm -f "$lib.exports.expected"
fi

dynamic=$("$readelf" -d "$lib")
printf '%s\n' "$dynamic" | grep -q "(SONAME).*\[$soname\]" || fail "soname is not $soname"
"$readelf" -h "$lib" | grep -q "Machine: *$machine\$" || fail "not built for $machine"

needed=$(printf '%s\n' "$dynamic" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
needed_line=$(printf '%s\n' "$needed" | tr '\n' ' ')
if printf '%s\n' "$needed" | grep -Eq '^lib(stdc\+\+|gcc_s)\.'; then
  fail "the C++ runtime is needed: $needed_line"
fi
for want in "$@"; do
  printf '%s\n' "$needed" | grep -qxF "$want" || fail "$want is not among NEEDED: $needed_line"
done

[ "$status" -eq 0 ] && echo "PASS: $(echo "$expected" | wc -l) exports, $soname, $machine"
exit "$status"
