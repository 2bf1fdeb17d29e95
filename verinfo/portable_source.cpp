#include <vector>

#include "platform/utf_conversion.h"
#include "platform/io_error.h"
#include "platform/resource_languages.h"
#include "verinfo/file_source.h"
#include "verinfo/memory_source.h"
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
    return Utf16ToUtf8(*key);
  }

  std::optional<std::string> Text(const std::string& path) const override {
    if (!valid_) return std::nullopt;
    auto text = Block().Text(Utf8ToUtf16(path));
    if (!text) return std::nullopt;
    return Utf16ToUtf8(*text);
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

// A root's length is 16 bits, and no query reads past the end it gives (a
// child that would is broken, wherever it lies): this much of the resource
// answers every query as the whole would.
constexpr std::size_t kMaxBlockBytes = 0xFFFF;

std::unique_ptr<VersionSource> PortableSourceFrom(ByteSource& file) {
  const auto languages = PreferredResourceLanguages();
  auto resource = FindVersionResource(SourceView(file), languages);
  if (!resource) return std::make_unique<PortableSource>();
  return std::make_unique<PortableSource>(resource->CopyFirst(kMaxBlockBytes));
}

}  // namespace

std::unique_ptr<VersionSource> PortableSourceFromImage(std::span<const std::uint8_t> image) {
  MemorySource bytes(image);
  return PortableSourceFrom(bytes);
}

std::unique_ptr<VersionSource> OpenPortableSource(const std::string& fileName) {
  try {
    FileSource file(fileName);
    return PortableSourceFrom(file);
  } catch (const IoError&) {
    // Like the system's library: a file we can't read has no version.
    return std::make_unique<PortableSource>();
  }
}

}  // namespace vantric
