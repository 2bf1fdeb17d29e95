#include "verinfo/file_source.h"

#include <algorithm>

#include "platform/io_error.h"

namespace vantric {

FileSource::FileSource(const std::string& path)
    : file_(path), size_(file_.Size()), pageBytes_(kCachedPages * kPageSize) {}

void FileSource::ReadRange(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (out.size() > kPageSize) return ReadExactly(offset, out);
  while (!out.empty()) {
    const std::uint64_t start = offset - offset % kPageSize;
    const std::span<const std::uint8_t> page = PageAt(start);
    const auto into = static_cast<std::size_t>(offset - start);
    const std::size_t take = std::min(out.size(), page.size() - into);
    std::copy_n(page.begin() + static_cast<std::ptrdiff_t>(into), take, out.begin());
    offset += take;
    out = out.subspan(take);
  }
}

std::span<const std::uint8_t> FileSource::PageAt(std::uint64_t start) {
  const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(kPageSize, size_ - start));
  auto bytesOf = [this, length](const Page& page) {
    return std::span(pageBytes_).subspan(static_cast<std::size_t>(&page - pages_) * kPageSize, length);
  };
  ++uses_;
  Page* leastRecent = &pages_[0];
  for (Page& page : pages_) {
    if (page.lastUse != 0 && page.start == start) {
      page.lastUse = uses_;
      return bytesOf(page);
    }
    if (page.lastUse < leastRecent->lastUse) leastRecent = &page;
  }
  // Forget the page first: a failed read must not leave it half filled.
  leastRecent->lastUse = 0;
  ReadExactly(start, bytesOf(*leastRecent));
  leastRecent->start = start;
  leastRecent->lastUse = uses_;
  return bytesOf(*leastRecent);
}

void FileSource::ReadExactly(std::uint64_t offset, std::span<std::uint8_t> out) {
  // Fewer bytes than the size we took at the start: the file was cut since.
  if (file_.ReadAt(offset, out.data(), out.size()) != out.size()) throw IoError(kErrorReadBeyondEnd);
}

}  // namespace vantric
