# Compiler signatures. Records are tried in order and the first whose pattern
# occurs anywhere in the file wins, so put specific signatures before general
# ones. Each record says why its pattern identifies the toolchain.
kind compiler
version "0.1"
date "2026-12-08"

# Go's linker writes the build ID note into every executable it makes.
record
  pattern "\xFF Go build ID: \""
  language "Go"
  compiler "Go toolchain (gc)"
  company "The Go Authors"
  url "https://go.dev"

# rustc embeds the source paths of its standard library, which all start
# with /rustc/ and the compiler's commit hash, for panic messages.
record
  pattern "/rustc/"
  language "Rust"
  compiler "rustc"
  company "The Rust Foundation"
  url "https://www.rust-lang.org"

# The mingw-w64 C runtime start-up code reports its own failures with this text.
record
  pattern "Mingw-w64 runtime failure:"
  language "C/C++"
  compiler "GCC (MinGW-w64)"
  company "The MinGW-w64 project"
  url "https://www.mingw-w64.org"

# The Microsoft C runtime names itself in its fatal-error message box.
record
  pattern "Microsoft Visual C++ Runtime Library"
  language "C/C++"
  compiler "Microsoft Visual C++"
  company "Microsoft Corporation"
  url "https://visualstudio.microsoft.com"

# The DOS stub that the Borland and Embarcadero linkers put in front of PE files.
record
  pattern "This program must be run under Win32\r\n$"
  language "Delphi / C++Builder"
  compiler "Borland / Embarcadero linker"
  company "Embarcadero Technologies"
  url "https://www.embarcadero.com"
