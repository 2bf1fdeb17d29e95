#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "verinfo/version_block.h"

namespace vantric {

// What a reader of version blocks answers for one file. Paths and texts are
// narrow strings as the platform's "A" functions take and give them.
class VersionSource {
 public:
  virtual ~VersionSource() = default;
  virtual bool Valid() const = 0;
  virtual std::optional<std::uint32_t> FirstTranslation() const = 0;
  // The key of the string table that holds the strings (see
  // VersionBlock::StringTable).
  virtual std::optional<std::string> StringTable() const = 0;
  virtual std::optional<std::string> Text(const std::string& path) const = 0;
  virtual std::optional<FileVersionWords> FixedFileVersion() const = 0;
};

// Our own reader, on a file or on a file's bytes already in memory. It reads a
// file in small pieces where the headers lead it, whatever the file's size, and
// keeps no more than one version block. A file that can't be read is simply not
// valid.
std::unique_ptr<VersionSource> OpenPortableSource(const std::string& fileName);
std::unique_ptr<VersionSource> PortableSourceFromImage(std::span<const std::uint8_t> image);

// The system's version library where there is one (version.dll on Windows);
// elsewhere our own reader.
std::unique_ptr<VersionSource> OpenSystemSource(const std::string& fileName);

}  // namespace vantric
