#!/bin/bash
# Runs the real pcie_monitor on a simulated card inside private mount and
# network namespaces. Usage: see README.md beside this script, or `run.sh help`.
set -euo pipefail

TESTBED=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
CARDSIM=(/usr/bin/python3 "$TESTBED/cardsim.py")
DEFAULT_TOPOLOGY=$TESTBED/topologies/moska_rp.topo
DEFAULT_CMDLINE="card_index=27065 boardtype=RP"
DEFAULT_BASE=0x80000000
DEFAULT_FAKETIME="+0 x50"
DEFAULT_LIFETIME=300
HOST_ADDR=10.0.2.16

die() { echo "run.sh: $*" >&2; exit 2; }

usage() {
  sed -n '/^## Runner/,/^## /p' "$TESTBED/README.md" | sed '$d'
}

faketime_lib() {
  local lib
  lib=$(dpkg -L libfaketime 2>/dev/null | grep '/libfaketimeMT\.so\.1$' | head -n1 || true)
  [ -n "$lib" ] || lib=/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1
  [ -e "$lib" ] || die "libfaketime (MT) not found: install the faketime package"
  echo "$lib"
}

holder_pid() {
  local w=$1
  [ -s "$w/holder.pid" ] || die "$w: no namespace (start or setup first)"
  cat "$w/holder.pid"
}

# retry TRIES DELAY CMD...: until CMD succeeds, at most TRIES times.
retry() {
  local tries=$1 delay=$2
  shift 2
  while [ "$tries" -gt 0 ]; do
    "$@" && return 0
    tries=$((tries - 1))
    sleep "$delay"
  done
  return 1
}

gone() { ! kill -0 "$1" 2>/dev/null; }

has_own_netns() {
  [ "$(readlink "/proc/$1/ns/net" 2>/dev/null)" != "$(readlink /proc/self/ns/net)" ]
}

# The holder's command line as /proc shows it (words and blanks).
holder_command() {
  echo "sleep $(cat "$1/holder.life") "
}

in_ns() {
  local w=$1
  shift
  nsenter -t "$(holder_pid "$w")" -m -n -- "$@"
}

# ---- setup: the card and the namespace ------------------------------------

parse_options() {
  OPT_BINARY=${LINKMON_BIN:-}
  OPT_VENDOR=${PLATFORM_VENDOR_ID:-}
  OPT_TOPOLOGY=$DEFAULT_TOPOLOGY
  OPT_CMDLINE=$DEFAULT_CMDLINE
  OPT_BASE=$DEFAULT_BASE
  OPT_FAKETIME=$DEFAULT_FAKETIME
  OPT_LIFETIME=$DEFAULT_LIFETIME
  OPT_PNIC_LIST=""
  OPT_UEVENTS=()
  OPT_ETC_FILES=()
  OPT_VETHS=()
  OPT_HAVE_ARGS=0
  OPT_ARGS=()
  while [ $# -gt 0 ]; do
    case $1 in
      --binary) OPT_BINARY=$2; shift 2 ;;
      --vendor) OPT_VENDOR=$2; shift 2 ;;
      --topology) OPT_TOPOLOGY=$2; shift 2 ;;
      --cmdline) OPT_CMDLINE=$2; shift 2 ;;
      --base) OPT_BASE=$2; shift 2 ;;
      --faketime) OPT_FAKETIME=$2; shift 2 ;;
      --lifetime) OPT_LIFETIME=$2; shift 2 ;;
      --pnic-list) OPT_PNIC_LIST=$2; shift 2 ;;
      --uevent) OPT_UEVENTS+=("$2"); shift 2 ;;
      --etc-file) OPT_ETC_FILES+=("$2"); shift 2 ;;
      --veth) OPT_VETHS+=("$2"); shift 2 ;;
      --) shift; OPT_HAVE_ARGS=1; OPT_ARGS=("$@"); break ;;
      *) die "unknown option $1" ;;
    esac
  done
  [ -n "$OPT_VENDOR" ] || die "--vendor (or PLATFORM_VENDOR_ID) is required"
}

write_standins() {
  local w=$1
  mkdir -p "$w/bin"
  cat >"$w/bin/lspci" <<EOF
#!/bin/bash
# lspci stand-in: answers "lspci -vmm -s B:D.F" from the simulated card.
slot=""
while [ \$# -gt 0 ]; do
  case \$1 in -s) slot=\$2; shift 2 ;; *) shift ;; esac
done
IFS=':.' read -r b d f <<<"\$slot"
[ -n "\$f" ] || exit 0
key=\$(printf '%02x:%02x.%x' "\$((16#\$b))" "\$((16#\$d))" "\$((16#\$f))" 2>/dev/null) || exit 0
[ -f "$w/card/lspci/\$key" ] && cat "$w/card/lspci/\$key"
exit 0
EOF
  cat >"$w/bin/pdreboot" <<EOF
#!/bin/sh
# Card reload stand-in: records the call instead of reloading anything, and
# the number of sockets it was started with (the daemon's must not leak).
echo "pdreboot \$*" >>"$w/pdreboot.log"
n=0
for fd in /proc/\$\$/fd/*; do
  case \$(readlink "\$fd") in socket:*) n=\$((n + 1)) ;; esac
done
echo "\$n" >>"$w/pdreboot.sockets"
EOF
  chmod 755 "$w/bin/lspci" "$w/bin/pdreboot"
}

# Runs inside the new namespaces (through nsenter): mounts and network.
ns_setup() {
  local w=$1 m=$1/mnt
  mount -t tmpfs -o mode=755 testbed "$m"
  mkdir -p "$m/dev" "$m/sbin-up" "$m/sbin-wk" "$m/pci" "$m/net" "$m/etc"
  printf '%s\n' "$OPT_CMDLINE" >"$m/cmdline"
  mount --bind "$m/cmdline" /proc/cmdline
  # A private /dev whose mem is the simulated card.
  mount -t tmpfs -o mode=755 testbed-dev "$m/dev"
  local node
  for node in null zero urandom; do
    touch "$m/dev/$node"
    mount --bind "/dev/$node" "$m/dev/$node"
  done
  touch "$m/dev/mem"
  mount --bind "$w/card/card.img" "$m/dev/mem"
  mount --move "$m/dev" /dev
  # sysfs: hwid files of the simulated functions, uevent files of NICs.
  cp -a "$w/card/sysfs/." "$m/pci/"
  mount --bind "$m/pci" /sys/bus/pci/devices
  local entry
  for entry in "${OPT_UEVENTS[@]}"; do
    mkdir -p "$m/net/${entry%%=*}/device"
    cp "${entry#*=}" "$m/net/${entry%%=*}/device/uevent"
  done
  mount --bind "$m/net" /sys/class/net
  for entry in "${OPT_ETC_FILES[@]}"; do
    cp "${entry#*=}" "$m/etc/${entry%%=*}"
  done
  [ -z "$OPT_PNIC_LIST" ] || cp "$OPT_PNIC_LIST" "$m/etc/pd_pnic_list.txt"
  mkdir -p /etc/init.d
  mount --bind "$m/etc" /etc/init.d
  # Tools: lspci answers from the card, /sbin/pdreboot only records.
  mount --bind "$w/bin/lspci" "$(command -v lspci || echo /usr/bin/lspci)"
  cp "$w/bin/pdreboot" "$m/sbin-up/pdreboot"
  mount -t overlay testbed-sbin \
    -o "lowerdir=/usr/sbin,upperdir=$m/sbin-up,workdir=$m/sbin-wk" /usr/sbin
  # Network: the host address on loopback, veth pairs on request.
  ip link set lo up
  ip addr add "$HOST_ADDR/32" dev lo
  local ifname
  for ifname in "${OPT_VETHS[@]}"; do
    ip link add "$ifname" type veth peer name "${ifname}p"
    ip link set "$ifname" up
    ip link set "${ifname}p" up
  done
}

cmd_setup() {
  local w=$1
  shift
  parse_options "$@"
  [ "$(id -u)" -eq 0 ] || die "needs root (namespaces and mounts)"
  if [ -s "$w/holder.pid" ] && kill -0 "$(cat "$w/holder.pid")" 2>/dev/null; then
    die "$w: a namespace is still running (stop it first)"
  fi
  [ ! -s "$w/daemon.pid" ] || die "$w: a daemon may still run (stop it first)"
  mkdir -p "$w/mnt"
  rm -f "$w"/holder.pid "$w"/daemon.pid "$w"/daemon.rc "$w"/daemon.log "$w"/pdreboot.log \
    "$w"/pdreboot.sockets "$w"/runner.log "$w"/sleeps.log
  "${CARDSIM[@]}" build --topology "$OPT_TOPOLOGY" --vendor "$OPT_VENDOR" \
    --base "$OPT_BASE" --out "$w/card"
  write_standins "$w"
  if [ -n "$OPT_BINARY" ]; then
    [ -x "$OPT_BINARY" ] || die "$OPT_BINARY: not an executable"
    echo "$OPT_BINARY" >"$w/binary"
  fi
  # The holder keeps the namespaces; it ends by itself after the lifetime.
  echo "$((OPT_LIFETIME + 30))" >"$w/holder.life"
  local holder_words
  read -r -a holder_words <<<"$(holder_command "$w")"
  unshare -m -n --propagation private -- "${holder_words[@]}" &
  local holder=$!
  echo "$holder" >"$w/holder.pid"
  retry 100 0.02 has_own_netns "$holder" || die "the namespaces did not come up"
  declare -p OPT_CMDLINE OPT_PNIC_LIST OPT_UEVENTS OPT_ETC_FILES OPT_VETHS >"$w/options.sh"
  nsenter -t "$holder" -m -n -- /bin/bash "$TESTBED/run.sh" _ns_setup "$w"
}

# ---- the daemon ---------------------------------------------------------

cmd_start() {
  local w=$1
  shift
  cmd_setup "$w" "$@"
  [ -n "$OPT_BINARY" ] || die "--binary (or LINKMON_BIN) is required"
  local args=("$OPT_BASE")
  [ "$OPT_HAVE_ARGS" -eq 0 ] || args=("${OPT_ARGS[@]}")
  local preload=()
  if [ "$OPT_FAKETIME" != none ]; then
    if [ ! "$w/bin/sleep_shim.so" -nt "$TESTBED/sleep_shim.c" ]; then
      cc -O2 -shared -fPIC -o "$w/bin/sleep_shim.so" "$TESTBED/sleep_shim.c" ||
        die "cannot build the sleep shim"
    fi
    preload=(env "LD_PRELOAD=$w/bin/sleep_shim.so $(faketime_lib)" "FAKETIME=$OPT_FAKETIME"
      "TESTBED_SLEEP_LOG=$w/sleeps.log")
  fi
  : >"$w/daemon.log"
  # timeout bounds the daemon's life; it forwards the stop signal to it.
  # shellcheck disable=SC2016 # expanded by the inner shell
  in_ns "$w" /bin/sh -c '
      w=$1; life=$2; shift 2
      timeout -k 5 "$life" "$@" >>"$w/daemon.log" 2>&1 &
      echo $! >"$w/daemon.pid"
      wait $!
      echo $? >"$w/daemon.rc"' \
    sh "$w" "$OPT_LIFETIME" "${preload[@]}" "$OPT_BINARY" "${args[@]}" >>"$w/runner.log" 2>&1 &
  retry 100 0.02 test -s "$w/daemon.pid" || die "the daemon did not start"
}

cmd_stop() {
  local w=$1 pid
  # The daemon first (timeout passes the signal on), and wait for it: it
  # must not touch the card any more. The holder then takes the namespaces
  # with it; their teardown needs no waiting.
  if [ -s "$w/daemon.pid" ] && [ ! -e "$w/daemon.rc" ]; then
    pid=$(cat "$w/daemon.pid")
    kill "$pid" 2>/dev/null || true
    retry 200 0.05 gone "$pid" || true
  fi
  if [ -s "$w/holder.pid" ]; then
    pid=$(cat "$w/holder.pid")
    # Only the holder this runner started: a sleep in other namespaces.
    if [ "$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)" = "$(holder_command "$w")" ] &&
       [ "$(readlink "/proc/$pid/ns/mnt")" != "$(readlink /proc/self/ns/mnt)" ]; then
      kill "$pid" 2>/dev/null || true
    fi
  fi
  rm -f "$w/holder.pid" "$w/daemon.pid"
  return 0
}

# wait WORKDIR REGEX [TIMEOUT [COUNT]]: until the log has COUNT matching lines.
cmd_wait() {
  local w=$1 pattern=$2 timeout=${3:-20} count=${4:-1}
  local deadline=$((SECONDS + timeout)) n
  while :; do
    n=$(grep -cE -- "$pattern" "$w/daemon.log" 2>/dev/null || true)
    [ "${n:-0}" -ge "$count" ] && return 0
    if [ $SECONDS -ge $deadline ]; then
      echo "run.sh: timed out waiting for /$pattern/ x$count (saw ${n:-0})" >&2
      return 1
    fi
    sleep 0.05
  done
}

# wait-exit WORKDIR [TIMEOUT]: the daemon's exit status (124: still running).
cmd_wait_exit() {
  local w=$1 timeout=${2:-20}
  local deadline=$((SECONDS + timeout))
  until [ -s "$w/daemon.rc" ]; do
    [ $SECONDS -lt $deadline ] || return 124
    sleep 0.05
  done
  return "$(cat "$w/daemon.rc")"
}

# cmdline WORKDIR TEXT: what /proc/cmdline shows inside from now on.
cmd_cmdline() {
  # shellcheck disable=SC2016 # expanded by the inner shell
  in_ns "$1" sh -c 'printf "%s\n" "$1" >"$2"' sh "$2" "$1/mnt/cmdline"
}

main() {
  [ $# -ge 1 ] || { usage; exit 2; }
  local cmd=$1
  shift
  case $cmd in
    help|-h|--help) usage ;;
    setup) cmd_setup "$@" ;;
    start) cmd_start "$@" ;;
    stop) cmd_stop "$1" ;;
    exec) local w=$1; shift; in_ns "$w" "$@" ;;
    client) local w=$1; shift; in_ns "$w" "$(cat "$w/binary")" "$@" ;;
    poke|peek|w1c) local w=$1; shift; "${CARDSIM[@]}" "$cmd" "$w/card" "$@" ;;
    log) cat "$1/daemon.log" ;;
    entries) /usr/bin/python3 "$TESTBED/logentries.py" "$1/daemon.log" "${@:2}" ;;
    wait) cmd_wait "$@" ;;
    wait-exit) cmd_wait_exit "$@" ;;
    pdreboot-log) cat "$1/pdreboot.log" 2>/dev/null || true ;;
    cmdline) cmd_cmdline "$@" ;;
    _ns_setup)
      # shellcheck disable=SC1091
      source "$1/options.sh"
      ns_setup "$1" ;;
    *) usage; exit 2 ;;
  esac
}

main "$@"
