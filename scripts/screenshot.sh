#!/usr/bin/env bash
# Takes a picture of vantric.exe as a user would see it: starts it under Wine on
# a fresh virtual screen, optionally on FILE, and writes the screen to OUT.png.
#
#   scripts/screenshot.sh OUT.png [FILE]
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: scripts/screenshot.sh OUT.png [FILE]" >&2
  exit 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(realpath -m "$1")
args=()
if [ $# -eq 2 ]; then
  [ -e "$2" ] || { echo "screenshot.sh: no such file: $2" >&2; exit 2; }
  # Wine maps the root of the Unix file system to drive Z:.
  file=$(realpath "$2")
  args=("Z:${file//\//\\}")
fi

cd "$root"
exe=build/win32/app/vantric.exe
if [ ! -f build/win32/CMakeCache.txt ]; then
  cmake --preset win32 >/dev/null
fi
cmake --build --preset win32 --target vantric >/dev/null

unset WINEPREFIX VANTRIC_WINEPREFIX
prefix="$root/build/win32/wineprefix"
scripts/wine-prefix "$prefix"

source scripts/xvfb.sh
app_pid=
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  vantric_stop_xvfb
}
trap cleanup EXIT
vantric_start_xvfb 1024x768x24

scripts/wine-run --prefix "$prefix" "$exe" "${args[@]}" </dev/null &
app_pid=$!

# Wait for the window to be mapped, then a little longer for it to paint.
for _ in $(seq 1 150); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Vantric"'; then break; fi
  if ! kill -0 "$app_pid" 2>/dev/null; then
    echo "screenshot.sh: vantric.exe ended before showing a window" >&2
    exit 1
  fi
  sleep 0.1
done
sleep 2

import -window root "$out"
echo "screenshot.sh: wrote $out"
