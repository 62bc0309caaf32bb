#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent: packages already present are left alone, apt is only asked
# when something is missing.
set -euo pipefail

host_packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsafec-dev libi2c-dev
  pciutils iproute2 ethtool faketime util-linux procps
  g++-arm-linux-gnueabihf qemu-user binutils-arm-linux-gnueabihf
  python3
)
arm_packages=(libsafec-dev:armhf libgtest-dev:armhf)

missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (it installs Debian packages)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
need=$(missing "${host_packages[@]}")
if ! dpkg --print-foreign-architectures | grep -qx armhf; then
  dpkg --add-architecture armhf
  updated=0
else
  updated=1
fi
need_arm=$(missing "${arm_packages[@]}")
if [ -n "$need$need_arm" ] || [ "$updated" -eq 0 ]; then
  apt-get update -qq
  # shellcheck disable=SC2086
  [ -z "$need" ] || apt-get install -y -qq --no-install-recommends $need
  # shellcheck disable=SC2086
  [ -z "$need_arm" ] || apt-get install -y -qq --no-install-recommends $need_arm
fi
