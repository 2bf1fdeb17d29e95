#!/usr/bin/env bash
# Builds everything and runs every test: native (linux preset); the portable
# code built 32-bit (linux-i386 preset: natively where the kernel runs 32-bit
# programs, else under qemu-i386), once with the matcher engine this machine
# picks and once with the plain one; and 32-bit Windows (win32 preset; tests
# under Wine on a virtual X display, from the win64 preset where this machine
# runs no 32-bit Wine).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

if [ "$(id -u)" -eq 0 ]; then
  bash scripts/install-deps.sh
else
  echo "test.sh: not root, skipping scripts/install-deps.sh (dependencies must be installed)"
fi

step() { printf '\n=== %s\n' "$*"; }

# The Windows suite runs on the build this machine's Wine can start: the
# 32-bit one that ships, or the 64-bit one of the same sources where there is
# no 32-bit Wine. The 32-bit program is built in every case.
windows=$(scripts/windows-preset)
presets=(linux linux-i386 win32)
if [ "$windows" != win32 ]; then
  echo "test.sh: no 32-bit Wine here; the Windows suite runs on the $windows build under 64-bit Wine"
  presets+=("$windows")
fi
for preset in "${presets[@]}"; do
  step "build $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
done

failed=()

step "test linux"
ctest --preset linux </dev/null || failed+=(linux)

# Each 32-bit run names the engine it is for, and a test fails should the
# scan pick another. qemu's default CPU model has AVX2; qemu32 has none.
if scripts/kernel-runs-i386; then
  detected=scalar
  grep -qw avx2 /proc/cpuinfo && detected=AVX2
  how="natively"
else
  detected=AVX2
  how="under qemu-i386"
fi
step "test linux-i386, $how, matcher engine as detected ($detected)"
VANTRIC_EXPECTED_ENGINE=$detected ctest --preset linux-i386 </dev/null || failed+=(linux-i386)
step "test linux-i386, under qemu-i386 on a CPU without AVX2 (plain matcher engine)"
QEMU_CPU=qemu32 VANTRIC_EXPECTED_ENGINE=scalar ctest --preset linux-i386 </dev/null || failed+=(linux-i386-plain)

step "test $windows"
# Wine is started in this build tree's own prefix; keep WINEPREFIX from the
# caller's environment out of it.
unset WINEPREFIX VANTRIC_WINEPREFIX
prefix="$root/build/$windows/wineprefix"
source scripts/xvfb.sh
cleanup() {
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  vantric_stop_xvfb
}
trap cleanup EXIT
scripts/wine-prefix "$prefix"
vantric_start_xvfb
echo "display $DISPLAY"
# One persistent wineserver, its services started here with their output going
# nowhere. Otherwise the first Wine program of each test starts them, they
# inherit the test's output pipe, and ctest waits until they wind down: about
# three seconds for every Wine process.
WINEPREFIX="$prefix" wineserver -p </dev/null >/dev/null 2>&1
scripts/wine-run --prefix "$prefix" wineboot </dev/null >/dev/null 2>&1
# The timeout is a backstop against a window nobody closes, never hit in a
# passing run.
ctest --preset "$windows" --timeout 600 </dev/null || failed+=("$windows")

step "test release packages"
if [ "$(id -u)" -eq 0 ]; then
  # Installs and removes the Debian package: root only.
  bash tests/release/release_test.sh "$prefix" </dev/null || failed+=(release)
else
  echo "test.sh: not root, skipping the release test (it installs a package)"
fi

if [ "${#failed[@]}" -gt 0 ]; then
  echo "test.sh: FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "test.sh: all tests passed"
