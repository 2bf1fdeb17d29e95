#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12. Safe to run again:
# it touches apt only when something is missing.
#
# A package mirror can be mid-sync, with one index of the wrong size or the
# amd64 and i386 builds of a library at different versions. So a failing
# `apt-get update` is tried once more and then passed over, and set-up fails
# only when a package itself cannot be installed, naming it. 32-bit Wine is
# wanted only where the kernel runs 32-bit programs; where it cannot be
# installed, the Windows suite runs on the 64-bit build (scripts/windows-preset).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

packages=(
  cmake ninja-build g++ clang googletest
  gcc-multilib g++-multilib qemu-user
  g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 nsis
  wine wine64 fonts-wine xvfb x11-utils imagemagick
  python3 python3-distlib python3-pefile nim
  python3-dev pybind11-dev python3-pytest python3-distributed
  dpkg-dev lintian man-db
)
optional=()

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: run as root (it calls dpkg and apt-get)" >&2
  exit 2
fi

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

need_update=
if "$here/kernel-runs-i386"; then
  optional+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
  fi
elif ! installed wine32:i386; then
  echo "install-deps: this kernel runs no 32-bit programs: no i386 packages, no 32-bit Wine"
fi

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
missing_optional=()
for p in "${optional[@]}"; do
  installed "$p" || missing_optional+=("$p")
done
if [ "${#missing[@]}" -eq 0 ] && [ "${#missing_optional[@]}" -eq 0 ]; then
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
if ! apt-get update -qq && ! { sleep 5; apt-get update -qq; }; then
  echo "install-deps: apt-get update failed twice; going on with the package lists as they are" >&2
fi

install() {
  apt-get install -y -qq --no-install-recommends "$@"
}

# All at once; should that fail, one at a time, to name what cannot be had.
if [ "${#missing[@]}" -gt 0 ] && ! install "${missing[@]}"; then
  failed=()
  for p in "${missing[@]}"; do
    installed "$p" || install "$p" || failed+=("$p")
  done
  if [ "${#failed[@]}" -gt 0 ]; then
    echo "install-deps: FAILED: these packages could not be installed: ${failed[*]}" >&2
    exit 1
  fi
fi
for p in "${missing_optional[@]}"; do
  if ! install "$p"; then
    echo "install-deps: WARNING: $p could not be installed (mirror mid-sync?);" \
      "the Windows suite will run on the 64-bit build under 64-bit Wine" >&2
  fi
done
