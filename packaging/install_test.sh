#!/usr/bin/env bash
# What a user of the installed tree or of the Debian packages gets, from
# the built host and ARM trees:
#  1. a plain install holds no I/O FPGA stand-in, and the components
#     installed one by one at another prefix give exactly the same files;
#  2. a small C consumer of each library compiles as strict C11 (and its
#     header as C++), links through the installed .pc file and runs: on the
#     host from the components' tree, on ARM from a sysroot under qemu-arm;
#  3. systemd accepts the daemon's service;
#  4. cpack makes exactly the expected packages, none with the stand-in,
#     the consumers link against the unpacked packages, and lintian finds
#     no error in them.
# Nothing runs on the machine's own devices: the SSE consumer meets a fake
# driver, the coverage runtime writes into a private card root.
#
#   install_test.sh HOST_TREE ARM_TREE
set -euo pipefail

if [ "$#" -ne 2 ]; then
  echo "usage: $0 HOST_TREE ARM_TREE" >&2
  exit 2
fi
host=$(realpath "$1")
arm=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
consumers=$here/consumers
# The coverage runtime's simulated card: a root of its own with a private
# /misc and /tmp.
card_root=$here/../coverage/tests/system/card_root.sh
# Below the host tree rather than /tmp: the card root has a /tmp of its own.
work=$host/install-test
rm -rf "$work"
mkdir -p "$work"

host_components=(pcie-monitor idprom idprom-dev covdump covdump-dev portlock ssecall ssecall-dev)
host_packages=(pcie-monitor libboardprom1 libboardprom-dev libcovdump1 libcovdump-dev portlock
  libssecall1 libssecall-dev)
arm_components=(covdump covdump-dev)
arm_packages=(libcovdump1 libcovdump-dev)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$host/CMakeCache.txt")-1
host_multiarch=x86_64-linux-gnu
arm_multiarch='arm-linux-gnueabihf'
# The card provides the I/O FPGA access library; here the stand-in plays it.
access_library_dir=$host/idprom/iofpga_sim
fake_sse_driver=$host/sse/tests/libfake_klm_sse.so
strict_c=(-std=c11 -Wall -Wextra -Werror -pedantic)
# The coverage descriptor ends in flexible arrays, which C++ has only as
# an extension: no -pedantic there.
strict_cxx=(-x c++ -std=c++20 -Wall -Wextra -Werror -fsyntax-only)

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# The files below a DESTDIR, with the install prefix written as PREFIX.
files_below() { # DESTDIR PREFIX
  (cd "$1" && find . -type f -o -type l) | sed "s|^\./${2#/}/|PREFIX/|" | sort
}
expect_output() { # WHAT EXPECTED COMMAND...
  local what=$1 want=$2 got
  shift 2
  got=$("$@") || fail "$what exited with status $?"
  [ "$got" = "$want" ] || fail "$what printed:"$'\n'"$got"$'\n'"expected:"$'\n'"$want"
}

# Runs a command as a process of a simulated card: a private mount
# namespace whose root is a fresh tmpfs with the machine's /usr, /etc,
# /dev and /proc, this test's work tree, and a /misc and /tmp of its own,
# where the coverage runtime keeps its logs and dumps.
on_card() {
  unshare -m --propagation private bash -s -- "$work" "$card_root" "$@" <<'CARD'
set -euo pipefail
work=$1 card_root=$2
shift 2
root=$work/card
sh "$card_root" "$root" "$work"
mkdir -p "$root/misc/scratch"
printf 'card7\n' >"$root/tmp/cflow_loc"
exec chroot "$root" "$@"
CARD
}

# The installed public headers of each library.
headers_of() {
  case $1 in
    libboardprom) echo boardprom.h boardprom_ops.h ;;
    libcovdump) echo covdump.h ;;
    libssecall) echo ssecall.h ;;
  esac
}

# Compiles and links the consumer of one library through the .pc file of
# the tree under test (SYSROOT may be empty); on the host also compiles
# each of the library's headers on its own, as C11 and as C++.
#   build_consumer SYSROOT PC_DIR CC MODULE OUTPUT [EXTRA_LINK_FLAGS...]
build_consumer() {
  local sysroot=$1 pc_dir=$2 cc=$3 module=$4 out=$5 header flags cflags
  shift 5
  pc() { PKG_CONFIG_SYSROOT_DIR=$sysroot PKG_CONFIG_LIBDIR=$pc_dir PKG_CONFIG_PATH='' pkg-config "$@"; }
  read -ra flags <<<"$(pc --cflags --libs "$module")" || fail "pkg-config $module"
  "$cc" "${strict_c[@]}" -o "$out" "$consumers/${module#lib}.c" "${flags[@]}" "$@" ||
    fail "$module consumer"
  [ "$cc" = gcc ] || return 0
  read -ra cflags <<<"$(pc --cflags "$module")"
  for header in $(headers_of "$module"); do
    # The POSIX types of <signal.h> need the feature macro in strict C11.
    printf '#define _POSIX_C_SOURCE 200809L\n#include <%s>\n' "$header" |
      gcc -x c "${strict_c[@]}" -fsyntax-only "${cflags[@]}" - || fail "$header as C11"
    printf '#include <%s>\n' "$header" | g++ "${strict_cxx[@]}" "${cflags[@]}" - ||
      fail "$header as C++"
  done
}

run_host_consumers() { # LIBDIR DIR
  local libdir=$1 dir=$2
  expect_output "libboardprom consumer" "rc=0 size=226 exported=1" \
    env LD_LIBRARY_PATH="$libdir:$access_library_dir" "$dir/boardprom"
  expect_output "libssecall consumer, no device" \
    "ERROR: sse_fd=-1 err=2 sse_lib failed to open the /dev/klm_sse
result=2
ERROR: sse_fd=-1 err=2 sse_lib failed to open the /dev/klm_sse
result=2" \
    env FAKE_KLM_SSE=absent LD_PRELOAD="$fake_sse_driver" LD_LIBRARY_PATH="$libdir" "$dir/ssecall"
  expect_output "libssecall consumer" $'result=0\nresult=0' \
    env FAKE_KLM_SSE=present LD_PRELOAD="$fake_sse_driver" LD_LIBRARY_PATH="$libdir" "$dir/ssecall"
  expect_output "libcovdump consumer" "objects=0 version=3" \
    on_card env LD_LIBRARY_PATH="$libdir" "$dir/covdump"
}

echo "-- plain install and components"
DESTDIR=$work/plain cmake --install "$host" --prefix /usr/local >/dev/null
files_below "$work/plain" /usr/local >"$work/plain.files"
if grep -i iofpga "$work/plain.files"; then
  fail "the I/O FPGA stand-in is in the default install"
fi
prefix=/opt/chassis
components=$work/components
for component in "${host_components[@]}"; do
  DESTDIR=$components cmake --install "$host" --component "$component" --prefix "$prefix" >/dev/null
done
files_below "$components" "$prefix" >"$work/components.files"
diff "$work/plain.files" "$work/components.files" >&2 ||
  fail "the components do not add up to the plain install (< plain, > components)"

echo "-- host consumers from the installed components"
libdir=$components$prefix/lib/$host_multiarch
mkdir -p "$work/host"
for module in libboardprom libcovdump libssecall; do
  build_consumer '' "$libdir/pkgconfig" gcc "$module" "$work/host/${module#lib}" \
    -Wl,-rpath-link,"$access_library_dir"
done
run_host_consumers "$libdir" "$work/host"

echo "-- ARM consumer from a sysroot"
sysroot=$work/arm-sysroot
for component in "${arm_components[@]}"; do
  DESTDIR=$sysroot cmake --install "$arm" --component "$component" --prefix /usr >/dev/null
done
build_consumer "$sysroot" "$sysroot/usr/lib/$arm_multiarch/pkgconfig" "$arm_multiarch-gcc" \
  libcovdump "$work/covdump-arm"
# The emulated loader and C library of the cross toolchain, as the ARM
# tree's tests run.
expect_output "ARM libcovdump consumer" "objects=0 version=3" \
  on_card qemu-arm -L "/usr/$arm_multiarch" \
  -E "LD_LIBRARY_PATH=/usr/$arm_multiarch/lib:$sysroot/usr/lib/$arm_multiarch" "$work/covdump-arm"

echo "-- service"
# The unit names the program under /usr/local: the installed tree takes
# that place in a private mount namespace. systemd only warns about a
# setting it cannot parse, so any message fails.
# shellcheck disable=SC2016
verdict=$(unshare -m --propagation private bash -c '
  mount --bind "$1/usr/local" /usr/local
  systemd-analyze verify /usr/local/lib/systemd/system/pcie-monitor.service 2>&1
' sh "$work/plain") || fail "systemd-analyze rejects the service:"$'\n'"$verdict"
[ -z "$verdict" ] || fail "systemd-analyze warns about the service:"$'\n'"$verdict"

echo "-- packages"
debs=$work/debs
for tree in "$host" "$arm"; do
  (cd "$tree" && cpack -B "$debs" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log" >&2
    fail "cpack in $tree"
  }
done
expected=$(
  for p in "${host_packages[@]}"; do echo "${p}_${version}_amd64.deb"; done
  for p in "${arm_packages[@]}"; do echo "${p}_${version}_armhf.deb"; done
)
actual=$(cd "$debs" && ls -- *.deb)
[ "$(sort <<<"$expected")" = "$actual" ] ||
  fail "packages made:"$'\n'"$actual"$'\n'"expected:"$'\n'"$expected"
debroot=$work/debroot
for deb in "$debs"/*_amd64.deb; do
  if dpkg-deb -c "$deb" | grep -i iofpga; then
    fail "$(basename "$deb") carries the I/O FPGA stand-in"
  fi
  dpkg-deb -x "$deb" "$debroot"
done
mkdir -p "$work/deb"
for module in libboardprom libcovdump libssecall; do
  build_consumer "$debroot" "$debroot/usr/lib/$host_multiarch/pkgconfig" gcc "$module" \
    "$work/deb/${module#lib}" -Wl,-rpath-link,"$access_library_dir"
done
run_host_consumers "$debroot/usr/lib/$host_multiarch" "$work/deb"
lintian --fail-on error "$debs"/*.deb || fail "lintian reports errors"

echo "PASS: installs, consumers, service and packages"
