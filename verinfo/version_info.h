#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace vantric {

class VersionSource;

// Who reads the version block: the system's version library where there is
// one (Windows), else our own reader; kPortable asks for our own reader on
// every platform.
enum class VersionReader { kSystem, kPortable };

// The version resource of one file and the four strings the main window shows.
// Created for one use; no query throws, and what is missing reads as empty text.
class TVersionInfo {
 public:
  explicit TVersionInfo(const std::string& fileName, VersionReader reader = VersionReader::kSystem);
  // A file's bytes already in memory, read by our own reader.
  TVersionInfo(const std::string& fileName, std::span<const std::uint8_t> image);
  ~TVersionInfo();
  TVersionInfo(const TVersionInfo&) = delete;
  TVersionInfo& operator=(const TVersionInfo&) = delete;

  const std::string& FileName() const { return fileName_; }
  // True when the file has a version resource, it could be read, and it is
  // long enough to hold its root block.
  bool Valid() const;
  // The first \VarFileInfo\Translation entry as eight upper-case hex digits,
  // language then code page ("040904E4"); empty when there is none.
  std::string Translation() const;
  // The value of `key` in the string table of the first translation, or in
  // the first string table when that translation has none.
  std::string StringValue(const std::string& key) const;

  std::string Comments() const { return StringValue("Comments"); }
  std::string CompanyName() const { return StringValue("CompanyName"); }
  std::string ProductName() const { return StringValue("ProductName"); }
  // The "FileVersion" string; when that is empty, the fixed part's file
  // version as "a.b.c.d"; empty text when the block has no fixed part either.
  std::string FileVersion() const;

 private:
  std::string fileName_;
  std::unique_ptr<VersionSource> source_;
};

// The version of the running program, read from its own file.
std::unique_ptr<TVersionInfo> ProgramVersionInfo();

}  // namespace vantric
