#!/bin/sh
# Runs one scenario of the coverage probe on a simulated card and checks
# the files it leaves.
#
#   card_test.sh SCENARIO WORKDIR COMMAND...
#
# The card is a private mount namespace with a root of its own (see
# card_root.sh) that holds the build tree. COMMAND is the probe, possibly
# behind the emulator; it receives SCENARIO as its last argument.
set -eu

if [ "${1:-}" != --inside ]; then
  exec unshare -m --propagation private sh "$0" --inside "$@"
fi
shift
scenario=$1
work=$2
shift 2

root=$work/root-$scenario
sh "$(dirname "$0")/card_root.sh" "$root" "$work"

# Without a scratch area start-up gives up.
[ "$scenario" = giveup ] || mkdir -p "$root/misc/scratch"
[ "$scenario" = disk ] && mkdir -p "$root/misc/disk1"
# Without a location file start-up writes the kernel's node name into one.
[ "$scenario" = uname ] || printf 'card7\n' > "$root/tmp/cflow_loc"

exec chroot "$root" /bin/sh -s "$scenario" "$@" <<'CARD'
set -eu
scenario=$1
shift
fail() { echo "FAIL: $*" >&2; exit 1; }
cd /tmp
loc=card7
[ "$scenario" = uname ] && loc=$(uname -n)
logs=/misc/scratch/cflow/coverage_logs_$loc.dat
stamp='[0-9]\{14\}'

"$@" "$scenario" > probe.out || fail "probe exited with status $?"
cat probe.out

if [ "$scenario" = giveup ]; then
  [ -z "$(ls -A /misc)" ] || fail "files under /misc without a scratch area"
  echo "PASS $scenario"
  exit 0
fi

# Every scenario ends normally, so the exit dump ran.
ls /misc/scratch/cflow/covdump_probe_transient.ARM.*.dat > /dev/null ||
  fail "no exit dump"
grep -q "^$stamp : covdump_probe : [0-9]*\$" "$logs/transient_registration.log" ||
  fail "no transient registration line"
grep -q "^covdump_probe [0-9]*\$" /misc/scratch/cflow_trans_file || fail "no transient record"

case $scenario in
  clear57|siginfo)
    grep -qFx "['cflow clear' DONE]" probe.out || fail "no clear confirmation"
    grep -q "^$stamp : Clean : covdump_probe : [0-9]* : 57\$" "$logs/recieved_signals.log" ||
      fail "no Clean line"
    ;;
  disk)
    [ -L /misc/scratch/cflow ] || fail "/misc/scratch/cflow is not a link"
    [ "$(readlink /misc/scratch/cflow)" = /misc/disk1/cflow/ ] || fail "link target"
    [ "$(stat -c %a /misc/disk1/cflow)" = 1777 ] || fail "disk dump dir mode"
    ;;
  uname)
    [ "$(cat /tmp/cflow_loc)" = "$loc" ] || fail "location file not written by uname"
    [ -d "$logs" ] || fail "no log directory for $loc"
    ;;
  twice)
    "$@" "$scenario" > /dev/null || fail "second probe"
    [ "$(grep -c "^$stamp : covdump_probe : [0-9]*\$" "$logs/process_registration.log")" = 2 ] ||
      fail "two registration lines expected"
    [ "$(grep -c '^covdump_probe [0-9]*$' /misc/scratch/cflow_reg_file)" = 2 ] ||
      fail "two registration records expected"
    ;;
esac
[ "$(stat -c %a /misc/scratch/cflow/.)" = 1777 ] || fail "dump dir mode"
echo "PASS $scenario"
CARD
