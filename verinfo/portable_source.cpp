#include <algorithm>
#include <vector>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/io_error.h"
#include "platform/resource_languages.h"
#include "verinfo/pe_resource.h"
#include "verinfo/version_source.h"

namespace vantric {
namespace {

class PortableSource : public VersionSource {
 public:
  PortableSource() = default;
  explicit PortableSource(std::vector<std::uint8_t> block) : block_(std::move(block)) {
    valid_ = Block().HasRoot();
  }

  bool Valid() const override { return valid_; }

  std::optional<std::uint32_t> FirstTranslation() const override {
    if (!valid_) return std::nullopt;
    return Block().FirstTranslation();
  }

  std::optional<std::string> StringTable() const override {
    if (!valid_) return std::nullopt;
    auto key = Block().StringTable();
    if (!key) return std::nullopt;
    return NarrowFromUtf16(*key);
  }

  std::optional<std::string> Text(const std::string& path) const override {
    if (!valid_) return std::nullopt;
    auto text = Block().Text(Utf16FromNarrow(path));
    if (!text) return std::nullopt;
    return NarrowFromUtf16(*text);
  }

  std::optional<FileVersionWords> FixedFileVersion() const override {
    if (!valid_) return std::nullopt;
    return Block().FixedFileVersion();
  }

 private:
  VersionBlock Block() const { return VersionBlock(ByteView(block_)); }

  bool valid_ = false;
  std::vector<std::uint8_t> block_;
};

// Reads the leading part of the file that the resource lookup can reach:
// headers first, then up to the end of the last section, never past the
// file's real size nor kMaxImageBytes. Sizes from the headers only ever decide
// how far to read, not what to allocate beyond what the file holds.
std::vector<std::uint8_t> ReadImage(const std::string& fileName) {
  ReadOnlyFile file(fileName);
  const std::uint64_t limit = std::min(file.Size(), kMaxImageBytes);
  std::vector<std::uint8_t> bytes;
  std::uint64_t want = std::min<std::uint64_t>(4096, limit);
  // Each round can only learn of headers further on; four rounds cover
  // DOS header, PE header, section table and sections.
  for (int round = 0; round < 4 && want > bytes.size(); ++round) {
    const std::size_t have = bytes.size();
    bytes.resize(static_cast<std::size_t>(want));
    bytes.resize(have + file.Read(bytes.data() + have, bytes.size() - have));
    want = std::min(PeExtent(ByteView(bytes)), limit);
  }
  return bytes;
}

}  // namespace

std::unique_ptr<VersionSource> PortableSourceFromImage(std::span<const std::uint8_t> image) {
  auto languages = PreferredResourceLanguages();
  auto block = FindVersionResource(ByteView(image), languages);
  if (!block) return std::make_unique<PortableSource>();
  auto bytes = block->Bytes();
  return std::make_unique<PortableSource>(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::unique_ptr<VersionSource> OpenPortableSource(const std::string& fileName) {
  std::vector<std::uint8_t> image;
  try {
    image = ReadImage(fileName);
  } catch (const IoError&) {
    // Like the system's library: a file we can't read has no version.
    return std::make_unique<PortableSource>();
  }
  return PortableSourceFromImage(image);
}

}  // namespace vantric
