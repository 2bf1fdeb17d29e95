#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12. Safe to run again:
# it touches apt only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang googletest
  g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 nsis
  wine wine32:i386 wine64 fonts-wine xvfb x11-utils imagemagick
  python3 dpkg-dev lintian man-db
)

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: run as root (it calls dpkg and apt-get)" >&2
  exit 2
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ] || [ -n "${need_update:-}" ]; then
  if [ "${#missing[@]}" -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
fi
