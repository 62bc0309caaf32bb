#!/bin/sh
# Another user of the card plants links where the runtime, running as root,
# writes: dump files named after the program and its PID, the log files in
# a log directory that user made first, and the log directory itself. The
# runtime must not write through any of them: the files they point at keep
# their content and mode.
#
#   plant_test.sh WORKDIR COMMAND...
#
# COMMAND is the coverage probe, possibly behind the emulator; its "plant"
# scenario waits on /tmp/plant.go until the links are in place, then dumps
# on signal 56 and at exit.
set -eu

if [ "${1:-}" != --inside ]; then
  exec unshare -m --propagation private sh "$0" --inside "$@"
fi
shift
work=$1
shift

root=$work/root-plant
sh "$(dirname "$0")/card_root.sh" "$root" "$work"
mkdir -p "$root/misc/scratch" "$root/var/evil"

exec chroot "$root" /bin/sh -s "$@" <<'CARD'
set -eu
fail() { echo "FAIL: $*" >&2; exit 1; }
as_other() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
cd /tmp
printf 'secret\n' > /var/secret
chmod 0600 /var/secret
dumps=/misc/scratch/cflow
# What an older runtime left behind: a dump directory open to everyone,
# without the sticky bit.
mkdir -m 0777 "$dumps"

# One run of the probe with location LOC, links planted by the other user.
run() {
  loc=$1
  shift
  printf '%s\n' "$loc" > /tmp/cflow_loc
  rm -f /tmp/plant.go
  mkfifo /tmp/plant.go
  "$@" plant > "probe-$loc.out" 2>&1 &
  pid=$!
  for name in "covdump_probe.ARM.$pid.dat" "covdump_probe_transient.ARM.$pid.dat"; do
    as_other ln -s /var/secret "$dumps/$name"
  done
  echo go > /tmp/plant.go
  wait "$pid" || fail "probe ($loc) exited with status $?: $(cat "probe-$loc.out")"
  [ "$(cat /var/secret)" = secret ] || fail "secret overwritten ($loc)"
  [ "$(stat -c '%a %u' /var/secret)" = '600 0' ] || fail "secret mode changed ($loc)"
  [ -L "$dumps/covdump_probe.ARM.$pid.dat" ] || fail "planted dump link replaced ($loc)"
}

# 1. The other user's own log directory, its log files linked to the secret.
as_other mkdir -m 0777 "$dumps/coverage_logs_card7.dat"
for log in process_registration.log recieved_signals.log coverage_dump.log \
  transient_registration.log; do
  as_other ln -s /var/secret "$dumps/coverage_logs_card7.dat/$log"
done
run card7 "$@"

# 2. The log directory itself a link to a directory of root's.
as_other ln -s /var/evil "$dumps/coverage_logs_card8.dat"
run card8 "$@"
[ -z "$(ls -A /var/evil)" ] || fail "logs written through the linked log directory"

[ "$(stat -c %a "$dumps")" = 1777 ] || fail "dump directory mode"
echo PASS
CARD
