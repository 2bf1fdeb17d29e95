#!/usr/bin/env bash
# Takes a picture of vantric.exe as a user would see it: starts it under Wine
# on a fresh virtual screen with the shipped databases and FILE, waits until
# the analysis of FILE is on screen, and writes the window to OUT.png.
#
#   scripts/screenshot.sh FILE OUT.png
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: scripts/screenshot.sh FILE OUT.png" >&2
  exit 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ -e "$1" ] || { echo "screenshot.sh: no such file: $1" >&2; exit 2; }
# Wine maps the root of the Unix file system to drive Z:.
file=$(realpath "$1")
winfile="Z:${file//\//\\}"
out=$(realpath -m "$2")

cd "$root"
preset=$(scripts/windows-preset)
if [ ! -f "build/$preset/CMakeCache.txt" ]; then
  cmake --preset "$preset" >/dev/null
fi
# The build copies data/*.vnt beside vantric.exe, where the program finds them.
cmake --build --preset "$preset" --target vantric >/dev/null
exe=build/$preset/app/vantric.exe

unset WINEPREFIX VANTRIC_WINEPREFIX
prefix="$root/build/$preset/wineprefix"
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

# Started from the program's folder, as a user double-clicking it would.
(cd "$(dirname "$exe")" && exec "$root/scripts/wine-run" --prefix "$prefix" vantric.exe "$winfile" </dev/null) &
app_pid=$!

# The caption turns into the file's path once the analysis has begun.
window=
for _ in $(seq 1 300); do
  window=$(xwininfo -name "$winfile" 2>/dev/null | awk '/Window id:/ {print $4}') || true
  [ -n "$window" ] && break
  if ! kill -0 "$app_pid" 2>/dev/null; then
    echo "screenshot.sh: vantric.exe ended before showing the analysis" >&2
    exit 1
  fi
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "screenshot.sh: no window showing $winfile; taking the whole screen" >&2
fi
# Let the analysis end and the window paint.
sleep 2

if [ -n "$window" ]; then
  import -window "$window" "$out"
else
  import -window root "$out"
fi
echo "screenshot.sh: wrote $out"
