#!/usr/bin/env bash
# The main job: tells how Windows programs were built.
#
#   run.sh [vantric-cli options] [FILE...]
#
# Builds the native tools when needed, then runs vantric-cli with the shipped
# databases on the files given, or, with none, on a small sample program that
# it cross-compiles with MinGW-w64 from scripts/sample/.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

if [ ! -f build/linux/CMakeCache.txt ] || ! command -v i686-w64-mingw32-gcc >/dev/null; then
  if [ "$(id -u)" -eq 0 ]; then
    bash scripts/install-deps.sh
  else
    echo "run.sh: not root, skipping scripts/install-deps.sh (dependencies must be installed)" >&2
  fi
fi
# Quiet unless it fails: the analysis is this script's output. Cheap when
# nothing changed.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake --preset linux && cmake --build --preset linux --target vantric-cli; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "run.sh: build failed" >&2
  exit 1
fi

args=("$@")
if [ "$#" -eq 0 ]; then
  sample=build/sample/hello.exe
  if [ ! -f "$sample" ] || [ scripts/corpus/src/hello.c -nt "$sample" ] || [ scripts/sample/hello.rc -nt "$sample" ]; then
    mkdir -p build/sample
    i686-w64-mingw32-windres scripts/sample/hello.rc -O coff -o build/sample/hello.res
    i686-w64-mingw32-gcc -O2 -s -o "$sample" scripts/corpus/src/hello.c build/sample/hello.res
  fi
  args=("$sample")
fi
exec build/linux/cli/vantric-cli --compiler-db data/vantric.vnt --compression-db data/compression.vnt "${args[@]}"
