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
  clang libclang-rt-14-dev clang-format shellcheck
  dpkg-dev fakeroot file lintian systemd
  gcovr lcov
)
arm_packages=(libsafec-dev:armhf libgtest-dev:armhf)

missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

need=$(missing "${host_packages[@]}" "${arm_packages[@]}")
[ -n "$need" ] || exit 0

# Something must be installed: only now is root needed.
if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: missing Debian packages:" "${need//$'\n'/ }" >&2
  echo "setup.sh: run it as root to install them" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx armhf || dpkg --add-architecture armhf
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $need
