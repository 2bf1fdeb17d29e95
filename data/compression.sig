# Packer and encryptor signatures. Records are tried in order; a record
# matches only when its pattern starts within `limit` bytes of the file's
# start (no limit: anywhere). Section names sit in the section table, which
# lies within the first 1 KiB ($400) of a PE file.
kind compression
version "0.1"
date "2026-12-08"

# UPX renames the sections it writes to UPX0, UPX1, ...
record
  pattern "UPX0\x00"
  limit "$400"
  program "UPX"
  company "The UPX Team"
  url "https://upx.github.io"

# MPRESS stores its code in sections named .MPRESS1 and .MPRESS2.
record
  pattern ".MPRESS1"
  limit "$400"
  program "MPRESS"
  company "MATCODE Software"
  url "http://www.matcode.com"

# ASPack adds a section named .aspack holding its unpacker.
record
  pattern ".aspack\x00"
  limit "$400"
  program "ASPack"
  company "ASPack Software"
  url "http://www.aspack.com"

# Petite adds a section named .petite.
record
  pattern ".petite\x00"
  limit "$400"
  program "Petite"
  company "Ian Luck"
  url "https://www.un4seen.com/petite"

# The installer stub of the Nullsoft Scriptable Install System names itself
# in its error messages; the compressed payload follows the stub.
record
  pattern "Nullsoft Install System"
  program "NSIS installer"
  company "Nullsoft"
  url "https://nsis.sourceforge.io"
