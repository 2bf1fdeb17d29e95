# Compiler signatures. Records are tried in order and the first whose pattern
# occurs anywhere in the file wins, so specific signatures stand before general
# ones, and a toolchain whose output carries another toolchain's runtime (Rust
# for windows-gnu links the MinGW-w64 start-up code) stands before that one.
#
# Every pattern was read from real files of the corpus that scripts/corpus.sh
# builds and collects; the comment above each record names the bytes and the
# corpus files that contain them. Families with no sample here have no record.
kind compiler
version "1.1"
date "2026-12-09"

# --- Go ---------------------------------------------------------------------

# Since Go 1.18 the linker writes the build information after "\xFF Go
# buildinf:" with the toolchain's version inline, its length in front: "\x08"
# then "go1.19.8" in go-386/amd64-hello*.exe (built here with Debian's Go
# 1.19.8, stripped or not), "go1.21.1" in npm app-builder-bin 4.2.0 (ia32, x64,
# arm64). The length byte keeps the text of a program that merely mentions a
# Go release from counting.
record
  pattern "\x08go1.19."
  language "Go"
  compiler "Go (gc) 1.19"
  company "The Go Authors"
  url "https://go.dev"

record
  pattern "\x08go1.21."
  language "Go"
  compiler "Go (gc) 1.21"
  company "The Go Authors"
  url "https://go.dev"

# The Go linker writes the build ID as a string at the start of the text
# section. Seen in go-386/amd64-hello*.exe (built here with Debian's Go 1.19,
# stripped or not) and npm app-builder-bin (ia32, x64, arm64).
record
  pattern "\xFF Go build ID: \""
  language "Go"
  compiler "Go (gc)"
  company "The Go Authors"
  url "https://go.dev"

# Builds made with an empty build ID (npm @esbuild/win32-ia32 and -x64) still
# carry the runtime's function names in the pc-line table; runtime.gopanic is
# in every one of the 9 Go files of the corpus.
record
  pattern "runtime.gopanic"
  language "Go"
  compiler "Go (gc)"
  company "The Go Authors"
  url "https://go.dev"

# --- Rust -------------------------------------------------------------------

# The standard library's panic message for Option::unwrap. Present in all 6
# Rust files: rust-x86_64-hello*.exe (Debian rustc 1.63, windows-gnu, which
# also carry the MinGW-w64 runtime, hence this record comes first), npm
# rollup.win32-ia32-msvc.node, rollup.win32-x64-msvc.node (whose MSVC runtime
# would otherwise win), rollup.win32-x64-gnu.node and sentry-cli.exe.
record
  pattern "called `Option::unwrap()` on a `None` value"
  language "Rust"
  compiler "rustc"
  company "The Rust Foundation"
  url "https://www.rust-lang.org"

# --- Nim --------------------------------------------------------------------

# Nim compiles to C and links with the C compiler it is given, so its programs
# carry that compiler's marks too (GCC's ident here): this record comes first.
# The text is the system module's handler for a bad memory access, in every
# Nim program whatever its options: nim-i686/x86_64-hello*.exe, built here
# with Debian's Nim 1.6.10 and MinGW-w64 gcc, release and debug, stripped.
record
  pattern "SIGSEGV: Illegal storage access. (Attempt to read from nil?)"
  language "Nim"
  compiler "Nim"
  company "The Nim authors"
  url "https://nim-lang.org"

# --- .NET -------------------------------------------------------------------

# A managed assembly imports exactly one function, _CorExeMain (programs) or
# _CorDllMain (libraries), from mscoree.dll, so the hint/name entry runs
# straight into the DLL name. Seen in cs-hello.exe, cs-hello-x86.exe (Mono
# mcs), Mono's mcs.exe, and npm electron-winstaller's Squirrel.exe,
# Squirrel-Mono.exe, SyncReleases.exe, nuget.exe, candle.exe, light.exe.
# A mixed-mode C++/CLI library made by Visual C++ (electron-winstaller's
# wconsole.dll) has the same import and is reported as .NET.
record
  pattern "_CorExeMain\x00mscoree.dll\x00"
  language "C#"
  compiler ".NET (C#)"
  company "Microsoft Corporation"
  url "https://dotnet.microsoft.com"

# The library form: cs-lib.dll (mcs), Mono's mscorlib.dll, System.dll,
# System.Core.dll, System.Xml.dll, and electron-winstaller's wix.dll,
# WixNetFxExtension.dll, Microsoft.Deployment.WindowsInstaller.dll and
# Microsoft.Deployment.Resources.dll.
record
  pattern "_CorDllMain\x00mscoree.dll\x00"
  language "C#"
  compiler ".NET (C#)"
  company "Microsoft Corporation"
  url "https://dotnet.microsoft.com"

# --- Free Pascal ------------------------------------------------------------

# The RTL stores the compiler's identification, "FPC 3.2.2+dfsg-20
# [2023/03/30] for x86_64 - Win64", in every program (fpc-win64-hello.exe and
# fpc-win64-hello-smart.exe, built here with Debian's fpc for win64).
record
  pattern "FPC 3.2.2"
  language "Pascal"
  compiler "Free Pascal 3.2.2"
  company "The Free Pascal team"
  url "https://www.freepascal.org"

record
  pattern "FPC 3."
  language "Pascal"
  compiler "Free Pascal 3"
  company "The Free Pascal team"
  url "https://www.freepascal.org"

# --- Delphi -----------------------------------------------------------------

# The compiler's own identification string, found in all 11 Delphi files of
# the corpus (npm innosetup 6.4.1: ISCC.exe, Compil32.exe, ISCmplr.dll,
# ISPP.dll, Setup.e32, SetupLdr.e32, and the 5 Inno Setup installers built
# here): "Embarcadero Delphi for Win32 compiler version 35.0 (28.0...)".
record
  pattern "Embarcadero Delphi for Win32 compiler version 35.0"
  language "Delphi"
  compiler "Embarcadero Delphi (compiler 35.0)"
  company "Embarcadero Technologies"
  url "https://www.embarcadero.com"

# The same ident of Delphi 10.3 (compiler 33.0, "33.0 (26.0...)"): ISCC.exe,
# Compil32.exe, ISCmplr.dll, ISPP.dll, Setup.e32 and SetupLdr.e32 of npm
# innosetup 6.0.5.
record
  pattern "Embarcadero Delphi for Win32 compiler version 33.0"
  language "Delphi"
  compiler "Embarcadero Delphi (compiler 33.0)"
  company "Embarcadero Technologies"
  url "https://www.embarcadero.com"

record
  pattern "Embarcadero Delphi for Win32 compiler version "
  language "Delphi"
  compiler "Embarcadero Delphi"
  company "Embarcadero Technologies"
  url "https://www.embarcadero.com"

# The DOS stub that the Borland/Embarcadero linker puts in front of the PE
# header instead of the usual "cannot be run in DOS mode" text; in the same
# 11 files and the 6 of npm innosetup 6.0.5. Only this record names the 6
# Delphi files of npm innosetup 5.6.1 (ISCC.exe, Compil32.exe, ISCmplr.dll,
# ISPP.dll, Setup.e32, SetupLdr.e32), made by a Delphi older than the ident.
record
  pattern "This program must be run under Win32\r\n$"
  language "Delphi / C++"
  compiler "Embarcadero Delphi or C++Builder"
  company "Embarcadero Technologies"
  url "https://www.embarcadero.com"

# --- Clang / LLVM for MinGW -------------------------------------------------

# LLD writes a shorter DOS stub than other linkers: the message ends in "$"
# without CR CR LF and the PE signature follows two bytes later. Seen in
# clang-i686/x86_64-hello.exe and -gui.exe (Debian clang 14 + lld, MinGW-w64
# runtime); must precede the GCC records, as the runtime objects carry GCC's
# ident.
record
  pattern "DOS mode.$\x00\x00PE\x00\x00"
  language "C/C++"
  compiler "Clang/LLVM (MinGW-w64), LLD linker"
  company "The LLVM project"
  url "https://llvm.org"

# --- GCC / MinGW-w64 --------------------------------------------------------

# GCC leaves its ident "GCC: (GNU) <version>" in .rdata$zzz of every object it
# compiles, so it survives stripping. "12-win32" is Debian 12's
# mingw-w64 GCC 12 with win32 threads: gcc-/gxx-i686/x86_64-*.exe and
# *-lib.dll built here, the NSIS installers made here (their stub is built
# with it), Debian's NSIS plug-ins, and 170 of Wine's 172 sampled PE files.
record
  pattern "GCC: (GNU) 12-win32"
  language "C/C++"
  compiler "GCC (MinGW-w64) 12, win32 threads"
  company "The GNU Project / MinGW-w64"
  url "https://www.mingw-w64.org"

record
  pattern "GCC: (GNU) "
  language "C/C++"
  compiler "GCC (MinGW-w64)"
  company "The GNU Project / MinGW-w64"
  url "https://www.mingw-w64.org"

# The mingw-w64 C runtime's start-up code reports its own failures with this
# text (in every program linked with its crt, e.g. gcc-i686-hello.exe).
record
  pattern "Mingw-w64 runtime failure:"
  language "C/C++"
  compiler "GCC (MinGW-w64)"
  company "The GNU Project / MinGW-w64"
  url "https://www.mingw-w64.org"

# --- Microsoft Visual C++ ---------------------------------------------------

# The C++ name undecorator of the 2015+ runtime (vcruntime) knows magic
# statics; statically linked programs carry its text. Seen in wininst-14.0.exe
# and -amd64.exe (pyenv Python 3.7), npm 7zip-bin arm64 7za.exe, rcedit.exe,
# rcedit-x64.exe, notifu*.exe, snoretoast-*.exe, Squirrel's Setup.exe,
# StubExecutable.exe, WriteZipToSetup.exe, winterop.dll, islzma*.exe,
# islzma.dll, isscint.dll.
record
  pattern "`local static thread guard'"
  language "C/C++"
  compiler "Microsoft Visual C++ 2015-2022"
  company "Microsoft Corporation"
  url "https://visualstudio.microsoft.com"

# The runtime DLL of Visual C++ 2015 to 2022, imported by dynamically linked
# programs (npm rollup.win32-x64-msvc.node: Rust's MSVC target links it).
record
  pattern "VCRUNTIME140.dll"
  language "C/C++"
  compiler "Microsoft Visual C++ 2015-2022"
  company "Microsoft Corporation"
  url "https://visualstudio.microsoft.com"

# The runtime DLL names of earlier releases, as their import libraries spell
# them: MSVCR80.dll in wininst-8.0.exe (Visual C++ 2005), MSVCR71.dll in
# wininst-7.1.exe (Visual C++ .NET 2003), both from pyenv Python 3.7.
record
  pattern "MSVCR80.dll"
  language "C/C++"
  compiler "Microsoft Visual C++ 2005"
  company "Microsoft Corporation"
  url "https://visualstudio.microsoft.com"

record
  pattern "MSVCR71.dll"
  language "C/C++"
  compiler "Microsoft Visual C++ .NET 2003"
  company "Microsoft Corporation"
  url "https://visualstudio.microsoft.com"

# Visual C++ 6.0's import library names the system runtime in capitals
# (MinGW-w64 writes msvcrt.dll): wininst-6.0.exe (pyenv Python 3.7) and npm
# 7zip-bin ia32 7za.exe.
record
  pattern "MSVCRT.dll"
  language "C/C++"
  compiler "Microsoft Visual C++ 6.0"
  company "Microsoft Corporation"
  url "https://visualstudio.microsoft.com"

# The static runtime's fatal-error message box title (2005 to 2013): in
# wininst-9.0.exe, wininst-9.0-amd64.exe and setuptools' cli/gui launchers
# (pyenv Python 2.7 and 3.7).
record
  pattern "Microsoft Visual C++ Runtime Library"
  language "C/C++"
  compiler "Microsoft Visual C++"
  company "Microsoft Corporation"
  url "https://visualstudio.microsoft.com"

# The static runtime (2005 and later) resolves fiber-local storage by name at
# run time. The general fallbacks start here: every other family of the
# corpus is caught by an earlier record. In distlib's t32/t64/w32/w64.exe
# (Debian python3-distlib) and wininst-10.0*.exe.
record
  pattern "FlsSetValue"
  language "C/C++"
  compiler "Microsoft Visual C++"
  company "Microsoft Corporation"
  url "https://visualstudio.microsoft.com"

# No record for the import of the system's msvcrt.dll: MinGW-w64 programs
# import it too, and once a packer has hidden their GCC marks (UPX keeps the
# imports readable) it would name Visual C++ for every one of them.

# The CodeView record that points at the program database (.pdb), which the
# Microsoft linker writes for every /DEBUG build (LLD and .NET compilers do
# too, but their records come earlier): Inno Setup's iszlib.dll and
# isunzlib.dll, which link no runtime at all, are caught only here.
record
  pattern "RSDS"
  language "C/C++"
  compiler "Microsoft Visual C++"
  company "Microsoft Corporation"
  url "https://visualstudio.microsoft.com"
