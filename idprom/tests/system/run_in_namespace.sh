#!/bin/sh
# Runs a program in a private mount namespace whose /dev holds only null,
# zero and urandom (no I2C device can be reached), with the I2C interposer
# preloaded.
#   run_in_namespace.sh SCRATCH_DIR INTERPOSER PROGRAM [ARGS...]
set -eu
scratch=$1
interposer=$2
shift 2
mkdir -p "$scratch"
# The inner script's variables are its own: expanded by the inner shell.
# shellcheck disable=SC2016
exec unshare -m --propagation private -- sh -c '
  set -eu
  scratch=$1; interposer=$2; shift 2
  mount -t tmpfs tmpfs "$scratch"
  for n in null zero urandom; do
    touch "$scratch/$n"
    mount --bind "/dev/$n" "$scratch/$n"
  done
  mount --move "$scratch" /dev
  LD_PRELOAD=$interposer exec "$@"
' sh "$scratch" "$interposer" "$@"
