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
    echo "run.sh: not root, skipping scripts/install-deps.sh (dependencies must be installed)"
  fi
  cmake --preset linux >/dev/null
fi
# Cheap when nothing changed; picks up edits to the tool and the databases.
cmake --build --preset linux >/dev/null

exec "$vntdb" dump data/compression.vnt
