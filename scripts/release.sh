#!/usr/bin/env bash
# Builds the release packages into dist/, from fresh build trees:
#   vantric-<version>-win32.zip   the Windows programs, databases and guide
#   vantric-<version>-win64.zip   the same for 64-bit Windows
#   vantric_<version>_amd64.deb   vantric-cli, vntdb, databases, man pages
#   python3-vantric_<version>_amd64.deb   the Python module (import vantric)
#
#   scripts/release.sh [--check]
#
# --check  builds everything twice and fails unless the two builds give
#          byte-identical packages.
#
# Time stamps come from SOURCE_DATE_EPOCH, by default the last commit's time.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

check=0
for arg in "$@"; do
  case "$arg" in
    --check) check=1 ;;
    *) echo "usage: scripts/release.sh [--check]" >&2; exit 2 ;;
  esac
done

version=$(sed -n 's/^project(vantric VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)}
export TZ=UTC LC_ALL=C
umask 022

quietly() {
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "release.sh: failed: $*" >&2
    exit 1
  fi
  rm -f "$log"
}

pack_windows() {  # ARCH OUT_DIR
  local arch=$1 out=$2 stage=build/release/stage-$1
  quietly cmake --install "build/release/$arch" --prefix "$stage" --strip
  python3 scripts/release/pack_zip.py "$stage" "vantric-$version-$arch" \
    "$out/vantric-$version-$arch.zip" "$SOURCE_DATE_EPOCH"
}

debian_depends() {  # BINARY...
  local tmp
  tmp=$(mktemp -d)
  mkdir "$tmp/debian"
  printf 'Source: vantric\n\nPackage: vantric\nArchitecture: amd64\n' >"$tmp/debian/control"
  local args=()
  for binary in "$@"; do args+=("-e$(realpath "$binary")"); done
  (cd "$tmp" && dpkg-shlibdeps -O "${args[@]}" 2>/dev/null) | sed -n 's/^shlibs:Depends=//p'
  rm -rf "$tmp"
}

# Adds a staged package's documents, modes, control file and sums, then
# builds it into OUT_DIR.
finish_deb() {  # NAME STAGE OUT_DIR
  local name=$1 stage=$2 out=$3
  local doc=$stage/usr/share/doc/$name
  mkdir -p "$doc"
  cp scripts/release/copyright "$doc/copyright"
  printf '%s (%s) unstable; urgency=medium\n\n  * Release %s.\n\n -- The Vantric developers <vantric@example.org>  %s\n' \
    "$name" "$version" "$version" "$(date -R -d "@$SOURCE_DATE_EPOCH")" | gzip -9n >"$doc/changelog.gz"

  find "$stage" -type d -exec chmod 0755 {} +
  find "$stage" -type f -exec chmod 0644 {} +
  [ ! -d "$stage/usr/bin" ] || chmod 0755 "$stage"/usr/bin/*
  mkdir -p "$stage/DEBIAN"
  local size depends python
  local -a binaries
  size=$(du -sk --apparent-size "$stage/usr" | cut -f1)
  mapfile -t binaries < <(find "$stage/usr/bin" "$stage/usr/lib" -type f \( -path '*/bin/*' -o -name '*.so' \) 2>/dev/null | sort)
  depends=$(debian_depends "${binaries[@]}")
  python=$(/usr/bin/python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')
  sed -e "s/@VERSION@/$version/" -e "s/@SIZE@/$size/" -e "s/@DEPENDS@/$depends/" \
    -e "s/@PYTHON@/$python/g" -e "s/@PYTHON_NEXT@/${python%.*}.$((${python#*.} + 1))/" \
    "scripts/release/$name.control.in" >"$stage/DEBIAN/control"
  (cd "$stage" && find usr -type f | sort | xargs md5sum) >"$stage/DEBIAN/md5sums"
  chmod 0644 "$stage"/DEBIAN/*
  for script in postinst prerm; do
    if [ -f "scripts/release/$name.$script" ]; then
      install -m 0755 "scripts/release/$name.$script" "$stage/DEBIAN/$script"
    fi
  done
  find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  quietly dpkg-deb --root-owner-group -Zxz --build "$stage" "$out/${name}_${version}_amd64.deb"
}

# vantric: the programs, databases and man pages; python3-vantric: the module.
pack_debs() {  # OUT_DIR
  local out=$1 stage=build/release/stage-deb python_stage=build/release/stage-python
  DESTDIR="$root/$stage" quietly cmake --install build/release/linux --strip --component Unspecified
  rm -f "$stage/usr/share/doc/vantric/LICENSE"  # the copyright file carries it
  gzip -9n "$stage"/usr/share/man/man1/*.1
  finish_deb vantric "$stage" "$out"
  DESTDIR="$root/$python_stage" quietly cmake --install build/release/linux --strip --component python
  finish_deb python3-vantric "$python_stage" "$out"
}

build() {  # PRESET
  echo "release.sh: building release-$1"
  quietly cmake --preset "release-$1"
  quietly cmake --build --preset "release-$1"
}

build_all() {  # OUT_DIR
  local out=$1
  rm -rf build/release
  mkdir -p "$out"
  build linux
  pack_debs "$out"
  for arch in win32 win64; do
    build $arch
    pack_windows $arch "$out"
  done
}

rm -rf dist
build_all dist
if [ "$check" -eq 1 ]; then
  again=$(mktemp -d)
  trap 'rm -rf "$again"' EXIT
  build_all "$again"
  (cd dist && sha256sum -- *) >"$again/first.sha256"
  if ! (cd "$again" && sha256sum --quiet -c first.sha256); then
    echo "release.sh: the two builds differ" >&2
    exit 1
  fi
  echo "release.sh: two builds, byte-identical packages"
fi
(cd dist && sha256sum -- *)
