#!/usr/bin/env bash
# corpus_test.sh [--emulator RUNNER] CLI DATA_DIR SOURCES WORK_DIR
# Compiles small programs with the toolchains at hand, wraps one in an NSIS
# installer and a script in distlib's launcher, and checks that vantric-cli
# with the shipped databases names the right compiler family and packer (with
# the version where the tool tells its own), no packer for what isn't packed,
# and the same version strings as an independent reader.
set -uo pipefail
runner=
if [ "$1" = --emulator ]; then
  runner="$2"
  shift 2
fi
cli="$1" data="$2" src="$3" work="$4"
rm -rf "$work" && mkdir -p "$work"
if [ -n "$runner" ]; then  # one command for the checks below, and for version_strings.py
  printf '#!/bin/sh\nexec "%s" "%s" "$@"\n' "$runner" "$cli" >"$work/cli"
  chmod +x "$work/cli"
  cli="$work/cli"
fi
pass=0 fail=0 skip=0

# expect FILE COMPILER_PREFIX PACKER_PREFIX ("-" means nothing reported)
expect() {
  local file="$1" want_c="$2" want_p="$3" line got
  line="$("$cli" --json --compiler-db "$data/vantric.vnt" --compression-db "$data/compression.vnt" "$file")"
  got="$(python3 -c '
import json, sys
o = json.loads(sys.argv[1])
print(o.get("compiler", {}).get("compiler", "?") + "\t" + o.get("compression", {}).get("program", "?"))
' "$line")"
  local c="${got%%$'\t'*}" p="${got#*$'\t'}"
  if [[ "$c" == "$want_c"* && ( "$want_c" != "-" || "$c" == "-" ) && "$p" == "$want_p"* && ( "$want_p" != "-" || "$p" == "-" ) ]]; then
    pass=$((pass + 1))
  else
    fail=$((fail + 1))
    echo "FAIL $(basename "$file"): compiler '$c' (want $want_c), packer '$p' (want $want_p)"
  fi
}

# expect_evidence FILE KIND NAME VERSION_PREFIX: the file's toolchain evidence
# has a finding of that kind whose name starts with NAME and version with
# VERSION_PREFIX, as the tool that made the file tells its own version.
expect_evidence() {
  local file="$1" kind="$2" name="$3" version="$4" line
  line="$("$cli" --json --compiler-db "$data/vantric.vnt" --compression-db "$data/compression.vnt" "$file")"
  if python3 -c '
import json, sys
kind, name, version = sys.argv[2:5]
found = json.loads(sys.argv[1]).get("toolchain", [])
sys.exit(not any(f["kind"] == kind and f["name"].startswith(name) and f["version"].startswith(version)
                 for f in found))
' "$line" "$kind" "$name" "$version"; then
    pass=$((pass + 1))
  else
    fail=$((fail + 1))
    echo "FAIL $(basename "$file"): no $kind finding '$name $version' in $line"
  fi
}

gcc_fam="GCC (MinGW-w64)"
built=0
for arch in i686 x86_64; do
  cc="$arch-w64-mingw32-gcc" cxx="$arch-w64-mingw32-g++"
  command -v "$cc" >/dev/null || { echo "skip: no $cc"; skip=$((skip + 1)); continue; }
  # The compiler's major version, as its ident in every object states it.
  gcc_fam="GCC (MinGW-w64) $("$cc" -dumpversion | sed 's/[^0-9].*//')"
  "$cc" -O2 -o "$work/$arch-c.exe" "$src/hello.c" || { fail=$((fail + 1)); continue; }
  "$cc" -O2 -s -mwindows -o "$work/$arch-gui.exe" "$src/gui.c" || fail=$((fail + 1))
  "$cc" -O2 -shared -o "$work/$arch-lib.dll" "$src/lib.c" || fail=$((fail + 1))
  "$cxx" -std=c++17 -O2 -static -o "$work/$arch-cpp.exe" "$src/hello.cpp" || fail=$((fail + 1))
  # Version resources, compared with an independent reader below.
  for shape in translated untranslated; do
    def=(); [ "$shape" = untranslated ] && def=(-DUNTRANSLATED)
    "$arch-w64-mingw32-windres" "${def[@]}" -o "$work/$shape-$arch.o" "$src/version.rc" &&
      "$cc" -O2 -o "$work/$arch-version-$shape.exe" "$src/hello.c" "$work/$shape-$arch.o" || fail=$((fail + 1))
  done
  for f in "$work"/$arch-*; do expect "$f" "$gcc_fam" -; done
  # What the toolchain evidence says, against what the tools say of themselves.
  gcc_major="$("$cc" -dumpversion | sed 's/[^0-9].*//')"
  ld_version="$("$arch-w64-mingw32-ld" --version | head -n1 | sed 's/.* //')"
  for f in "$work/$arch-c.exe" "$work/$arch-cpp.exe" "$work/$arch-lib.dll"; do
    expect_evidence "$f" compiler "GCC (MinGW-w64)" "$gcc_major"
    expect_evidence "$f" linker "GNU ld" "$ld_version"
  done
  built=1
done
[ "$built" = 1 ] || { echo "no MinGW-w64 compiler: nothing to test"; exit 77; }

# An NSIS installer around one of them: the stub is MinGW-built too.
if command -v makensis >/dev/null; then
  payload="$(ls "$work"/*-c.exe | head -n1)"
  nsis="NSIS $(makensis -VERSION | sed 's/^v//; s/-.*//')"
  makensis -V1 -DOUT="$work/setup.exe" -DPAYLOAD="$payload" "$src/installer.nsi" >/dev/null &&
    expect "$work/setup.exe" "$gcc_fam" "$nsis" || { fail=$((fail + 1)); echo "FAIL makensis"; }
  [ -f "$work/setup.exe" ] && expect_evidence "$work/setup.exe" installer NSIS "${nsis#NSIS }"
else
  echo "skip: no makensis"; skip=$((skip + 1))
fi

# Nim compiles through the MinGW-w64 C compiler; its runtime marks it first.
if command -v nim >/dev/null && command -v x86_64-w64-mingw32-gcc >/dev/null; then
  if nim c --hints:off -d:release --os:windows --cpu:amd64 --cc:gcc --gcc.exe:x86_64-w64-mingw32-gcc \
    --gcc.linkerexe:x86_64-w64-mingw32-gcc --nimcache:"$work/nimcache" -o:"$work/nim.exe" "$src/hello.nim" \
    >"$work/nim.log" 2>&1; then
    expect "$work/nim.exe" Nim -
  else
    fail=$((fail + 1)); echo "FAIL nim"; cat "$work/nim.log"
  fi
else
  echo "skip: no nim"; skip=$((skip + 1))
fi

# A Python script wrapped by distlib's launcher (the MSVC-built stub it ships).
if /usr/bin/python3 -c 'import distlib.scripts' 2>/dev/null; then
  /usr/bin/python3 "$src/distlib_launchers.py" "$work/launchers" 64 t >/dev/null &&
    expect "$work/launchers/hello.exe" "Microsoft Visual C++" "Python script launcher (distlib)" ||
    { fail=$((fail + 1)); echo "FAIL distlib"; }
else
  echo "skip: no python3-distlib"; skip=$((skip + 1))
fi

# Search limits: the Inno Setup loader's help text counts only within the
# stub's first 0xC0000 bytes, so the same text deep inside a larger file (a
# data file, the installer compiler) is no packer claim, while near the start
# it is. Neither file has a compiler signature.
python3 - "$work" <<'PY'
import sys
text = "Instructs Setup to load the settings".encode("utf-16-le")
for name, at in (("deep.bin", 0xC8000), ("early.bin", 0x100)):
    data = bytearray(0xD0000)
    data[at:at + len(text)] = text
    open(f"{sys.argv[1]}/{name}", "wb").write(data)
PY
expect "$work/deep.bin" - -
expect "$work/early.bin" - "Inno Setup"

# The four version fields of every program built above against pefile's
# reading of the same resource.
if /usr/bin/python3 -c 'import pefile' 2>/dev/null; then
  /usr/bin/python3 "$(dirname "$0")/version_strings.py" "$cli" "$data" \
    "$work"/*.exe "$work"/*.dll "$work"/launchers/*.exe && pass=$((pass + 1)) || fail=$((fail + 1))
else
  echo "skip: no python3-pefile"; skip=$((skip + 1))
fi

echo "corpus: $pass passed, $fail failed, $skip skipped"
[ "$fail" -eq 0 ]
