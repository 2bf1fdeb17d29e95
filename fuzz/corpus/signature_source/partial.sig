# Compiler signatures. Records are tried in order and the first whose pattern
# occurs anywhere in the file wins, so specific signatures stand before general
# ones, and a toolchain whose output carries another toolchain's runtime (Rust
# for windows-gnu links the MinGW-w64 start-up code) stands before that one.
#
# Every pattern was read from real files of the corpus that scripts/corpus.sh
# builds and collects; the comment above each record names the bytes and the
# corpus files that contain them. Families with no sample here have no record.
kind compiler
version "1.0"
date "2026-12-08"

# --- Go ---------------------------------------------------------------------

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

# The standard library's panic message for Option::unwrap. Present in all 