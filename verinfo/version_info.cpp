#include "verinfo/version_info.h"

#include <cstdio>

#include "platform/utf_conversion.h"
#include "platform/file_system.h"
#include "verinfo/version_source.h"

namespace vantric {
namespace {

// Query paths are cut at this many characters, as the program has always
// built them. Only a table key from a malformed file runs that long, and the
// cut path then finds no value.
constexpr std::size_t kMaxQueryPath = 255;

std::unique_ptr<VersionSource> OpenSource(const std::string& fileName, VersionReader reader) {
  if (reader == VersionReader::kSystem) return OpenSystemSource(fileName);
  return OpenPortableSource(fileName);
}

}  // namespace

TVersionInfo::TVersionInfo(const std::string& fileName, VersionReader reader)
    : fileName_(fileName), source_(OpenSource(fileName_, reader)) {}

TVersionInfo::TVersionInfo(const std::string& fileName, std::span<const std::uint8_t> image)
    : fileName_(fileName), source_(PortableSourceFromImage(image)) {}

TVersionInfo::~TVersionInfo() = default;

bool TVersionInfo::Valid() const { return source_->Valid(); }

std::string TVersionInfo::Translation() const {
  auto entry = source_->FirstTranslation();
  if (!entry) return {};
  return Utf16ToUtf8(TranslationKey(*entry));
}

std::string TVersionInfo::StringValue(const std::string& key) const {
  auto table = source_->StringTable();
  if (!table) return {};
  std::string path = "\\StringFileInfo\\" + *table + "\\" + key;
  if (path.size() > kMaxQueryPath) path.resize(kMaxQueryPath);
  return source_->Text(path).value_or(std::string());
}

std::string TVersionInfo::FileVersion() const {
  std::string text = StringValue("FileVersion");
  if (!text.empty() || !Valid()) return text;
  auto words = source_->FixedFileVersion();
  if (!words) return {};
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", static_cast<unsigned>(words->mostSignificant >> 16),
                static_cast<unsigned>(words->mostSignificant & 0xFFFF),
                static_cast<unsigned>(words->leastSignificant >> 16),
                static_cast<unsigned>(words->leastSignificant & 0xFFFF));
  return buffer;
}

std::unique_ptr<TVersionInfo> ProgramVersionInfo() {
  return std::make_unique<TVersionInfo>(RunningProgramPath());
}

}  // namespace vantric
