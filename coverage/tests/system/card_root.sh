#!/bin/sh
# Builds the root of a simulated card at ROOT, inside the caller's private
# mount namespace: a fresh tmpfs holding the machine's programs and
# libraries, /usr, /etc, /dev and /proc, each DIR at its own path (build
# and source trees), and a /misc and /tmp of its own, so that nothing
# touches the machine's /misc or /tmp (the machine need not even have a
# /misc). The caller then runs its card with chroot ROOT.
#
#   card_root.sh ROOT DIR...
set -eu
root=$1
shift

mkdir -p "$root"
mount -t tmpfs card-root "$root"
for d in bin sbin lib lib32 lib64 libx32; do
  if [ -L "/$d" ]; then
    ln -s "$(readlink "/$d")" "$root/$d"
  elif [ -d "/$d" ]; then
    mkdir "$root/$d" && mount --rbind "/$d" "$root/$d"
  fi
done
# The card's own /misc and /tmp first, so that a tree below /tmp is bound
# on top of the fresh /tmp rather than hidden by it.
for d in misc tmp; do
  mkdir "$root/$d" && mount -t tmpfs "card-$d" "$root/$d"
done
for d in usr etc dev proc "$@"; do
  mkdir -p "$root/$d" && mount --rbind "/$d" "$root/$d"
done
