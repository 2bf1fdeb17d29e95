#!/usr/bin/env bash
# The main job: builds the native tools when needed and dumps the shipped
# compression signature database.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

vntdb=build/linux/tools/vntdb/vntdb
if [ ! -x "$vntdb" ] || [ ! -f build/linux/CMakeCache.txt ]; then
  if [ "$(id -u)" -eq 0 ]; then
    bash scripts/install-deps.sh
  else
    echo "run.sh: not root, skipping scripts/install-deps.sh (dependencies must be installed)" >&2
  fi
fi
# Quiet unless it fails: the dump is this script's output. Cheap when nothing
# changed, and picks up edits to the tool and the databases.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake --preset linux && cmake --build --preset linux; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "run.sh: build failed" >&2
  exit 1
fi

"$vntdb" dump data/compression.vnt
