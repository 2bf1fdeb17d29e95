#!/usr/bin/env bash
# Builds everything and runs every test: native (linux preset) and 32-bit
# Windows (win32 preset, tests under Wine on a virtual X display).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

if [ "$(id -u)" -eq 0 ]; then
  bash scripts/install-deps.sh
else
  echo "test.sh: not root, skipping scripts/install-deps.sh (dependencies must be installed)"
fi

step() { printf '\n=== %s\n' "$*"; }

for preset in linux win32; do
  step "build $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
done

failed=()

step "test linux"
ctest --preset linux </dev/null || failed+=(linux)

step "test win32"
# Wine is started in this build tree's own prefix; keep WINEPREFIX from the
# caller's environment out of it.
unset WINEPREFIX VANTRIC_WINEPREFIX
prefix="$root/build/win32/wineprefix"
source scripts/xvfb.sh
cleanup() {
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  vantric_stop_xvfb
}
trap cleanup EXIT
scripts/wine-prefix "$prefix"
vantric_start_xvfb
echo "display $DISPLAY"
ctest --preset win32 </dev/null || failed+=(win32)
WINEPREFIX="$prefix" wineserver -w || true

if [ "${#failed[@]}" -gt 0 ]; then
  echo "test.sh: FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "test.sh: all tests passed"
