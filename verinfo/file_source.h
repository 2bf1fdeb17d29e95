#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "verinfo/byte_source.h"

namespace vantric {

// A file on disk, read where the parser asks and no further. The resource walk
// reads many small fields close to each other, so the last few aligned pages
// it touched are kept; a read larger than a page goes to the file directly.
// What this holds never depends on the file's size: kCachedPages pages.
class FileSource final : public ByteSource {
 public:
  static constexpr std::size_t kPageSize = 4096;
  static constexpr std::size_t kCachedPages = 4;

  // Throws IoError when the file can't be opened or its size can't be told.
  explicit FileSource(const std::string& path);

  std::uint64_t Size() const override { return size_; }
  void ReadRange(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  struct Page {
    std::uint64_t start = 0;
    std::uint64_t lastUse = 0;  // 0: holds nothing yet
  };

  std::span<const std::uint8_t> PageAt(std::uint64_t start);
  void ReadExactly(std::uint64_t offset, std::span<std::uint8_t> out);

  ReadOnlyFile file_;
  std::uint64_t size_;
  std::vector<std::uint8_t> pageBytes_;  // the pages' bytes, one after the other
  Page pages_[kCachedPages];
  std::uint64_t uses_ = 0;
};

}  // namespace vantric
