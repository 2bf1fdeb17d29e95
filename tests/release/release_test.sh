#!/usr/bin/env bash
# The release as a user meets it: builds the packages twice (they must be
# byte-identical), checks the .debs with lintian, installs them, scans the
# sample program from an empty folder, reads the man page, runs the Python
# tests on the installed module, removes the packages and finds none of
# their files left; then unpacks the Windows zip into
# a fresh folder and runs the programs there under Wine.
#
# Needs root (dpkg -i), a display (DISPLAY) and the Wine prefix PREFIX.
#   tests/release/release_test.sh PREFIX
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
prefix=${1:?usage: release_test.sh WINEPREFIX}
failures=0
fail() {
  echo "release test: FAILED: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "release test: ok: $*"; }

windows=$(scripts/windows-preset)
bash scripts/release.sh --check
version=$(sed -n 's/^project(vantric VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=dist/vantric_${version}_amd64.deb
python_deb=dist/python3-vantric_${version}_amd64.deb
zip=dist/vantric-$version-$windows.zip

sample=$(mktemp -d)/hello.exe
i686-w64-mingw32-windres scripts/sample/hello.rc -O coff -o "$sample.res"
i686-w64-mingw32-gcc -O2 -s -o "$sample" scripts/corpus/src/hello.c "$sample.res"

# The Debian package.
for package in "$deb" "$python_deb"; do
  if lintian --fail-on error "$package" >/dev/null 2>&1; then pass "lintian reports no error in $package"; else
    lintian "$package" >&2 || true
    fail "lintian reports errors in $package"
  fi
done
dpkg -i "$deb" "$python_deb" >/dev/null
files=$(dpkg -L vantric python3-vantric | while read -r f; do [ -f "$f" ] && echo "$f"; done)
empty=$(mktemp -d)
if report=$(cd "$empty" && vantric-cli "$sample") && grep -q "GCC (MinGW-w64)" <<<"$report"; then
  pass "vantric-cli from the PATH finds /usr/share/vantric"
else
  fail "vantric-cli from an empty folder: $report"
fi
if vantric-cli --version | grep -qx "vantric-cli $version" &&
  vantric-cli --version | grep -q "^compression.vnt .* (.*), /usr/share/vantric/compression.vnt$"; then
  pass "vantric-cli --version names the installed databases' versions"
else
  fail "vantric-cli --version: $(vantric-cli --version 2>&1)"
fi
if man -P cat vantric-cli 2>/dev/null | grep -q "tell how Windows executables were built"; then
  pass "man vantric-cli"
else
  fail "man vantric-cli shows no page"
fi
# The module as installed, from an empty folder, against the installed scanner.
if module=$(cd "$empty" && env -u PYTHONPATH /usr/bin/python3 -c 'import vantric; print(vantric.__file__)') &&
  [ "$module" = /usr/lib/python3/dist-packages/vantric/__init__.py ]; then
  pass "import vantric finds the installed package"
else
  fail "import vantric: $module"
fi
if (cd "$empty" && env -u PYTHONPATH VANTRIC_CLI=/usr/bin/vantric-cli PYTHONDONTWRITEBYTECODE=1 \
  /usr/bin/python3 -m pytest -q -p no:cacheprovider "$root/tests/python"); then
  pass "the Python tests pass on the installed module"
else
  fail "the Python tests on the installed module"
fi
dpkg -r python3-vantric vantric >/dev/null
left=$(for f in $files; do [ -e "$f" ] && echo "$f"; done || true)
[ ! -e /usr/lib/python3/dist-packages/vantric ] || left+=" /usr/lib/python3/dist-packages/vantric"
if [ -z "$left" ]; then pass "dpkg -r leaves no file behind"; else fail "left behind: $left"; fi

# Both Windows zips hold the same files, each its own build of the programs.
# The 32-bit programs that hold inputs whole may use 4 GiB of addresses.
names() { python3 -c 'import sys, zipfile; print("\n".join(n.split("/", 1)[1] for n in sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$1"; }
if [ "$(names "dist/vantric-$version-win32.zip")" = "$(names "dist/vantric-$version-win64.zip")" ]; then
  pass "the win32 and win64 zips hold the same files"
else
  fail "the win32 and win64 zips differ in their files"
fi
both=$(mktemp -d)
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "dist/vantric-$version-win32.zip" "$both"
for program in vantric-cli.exe vntdb.exe; do
  # Read whole first: grep -q would stop objdump early, and pipefail count that.
  headers=$(i686-w64-mingw32-objdump -p "$both/vantric-$version-win32/$program")
  if grep -q "large address aware" <<<"$headers"; then
    pass "the 32-bit $program is large-address-aware"
  else
    fail "the 32-bit $program is not large-address-aware"
  fi
done

# The Windows zip this machine's Wine runs, unpacked outside the build tree.
unpacked=$(mktemp -d)
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$unpacked"
folder=$unpacked/vantric-$version-$windows
winsample="Z:${sample//\//\\}"
# Into a file, not a pipe: Wine's services, started by the first program of a
# prefix, would hold a pipe open long after the program ended.
report=$unpacked/report.txt
if (cd "$folder" && "$root/scripts/wine-run" --prefix "$prefix" vantric-cli.exe "$winsample" >"$report" 2>&1) &&
  grep -q "GCC (MinGW-w64)" "$report"; then
  pass "vantric-cli.exe finds the databases beside it"
else
  fail "vantric-cli.exe in the unpacked zip: $(cat "$report")"
fi
# Its caption carries the version only once both databases loaded.
caption="Vantric 2000 Beta - [v$version.0]"
(cd "$folder" && exec "$root/scripts/wine-run" --prefix "$prefix" vantric.exe </dev/null >/dev/null 2>&1) &
app=$!
shown=
for _ in $(seq 1 200); do
  if xwininfo -name "$caption" >/dev/null 2>&1; then shown=1; break; fi
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
kill "$app" 2>/dev/null || true
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
if [ -n "$shown" ]; then pass "vantric.exe shows \"$caption\""; else fail "no window \"$caption\""; fi

if [ "$failures" -gt 0 ]; then
  echo "release test: $failures failed" >&2
  exit 1
fi
echo "release test: all passed"
