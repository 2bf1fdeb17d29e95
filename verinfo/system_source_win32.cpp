#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "platform/utf_conversion.h"
#include "verinfo/version_source.h"

namespace vantric {
namespace {

// The version library walks the block by its 16-bit length fields without
// checking them against the buffer (and its narrow functions write converted
// text at the block's declared length plus the value's offset): a root length
// larger than the resource takes it past a buffer of the size it asked for.
// Every offset it can reach from 16-bit fields (nested nodes, a value of up to
// 65535 characters, a converted copy) lies well inside this floor.
constexpr DWORD kMinBufferSize = 512 * 1024;

class SystemSource : public VersionSource {
 public:
  explicit SystemSource(const std::string& fileName) {
    // The wide functions: any file name, and the text as the resource has it.
    const std::wstring name = WidePath(fileName).native();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(name.c_str(), &handle);
    if (size == 0) return;
    const DWORD blockSize = size;
    size = std::max(size, kMinBufferSize);
    buffer_.resize(size);  // an allocation failure goes to the caller
    if (!GetFileVersionInfoW(name.c_str(), handle, size, buffer_.data())) return;
    // The library accepts a resource too short for its root and then answers
    // from whatever follows; our own reader of the block it returned decides
    // validity and the string table, so that both readers agree.
    const VersionBlock block(ByteView(std::span<const std::uint8_t>(buffer_.data(), blockSize)));
    // The library marks the block's end with "FE2X" at the offset the root
    // length gives: at the very start, that length was 0.
    valid_ = block.HasRoot() && std::memcmp(buffer_.data(), "FE2X", 4) != 0;
    if (auto key = block.StringTable()) stringTable_ = Utf16ToUtf8(*key);
  }

  bool Valid() const override { return valid_; }

  std::optional<std::string> StringTable() const override {
    if (!valid_) return std::nullopt;
    return stringTable_;
  }

  std::optional<std::uint32_t> FirstTranslation() const override {
    auto value = Query("\\VarFileInfo\\Translation");
    if (!value || value->second < sizeof(std::uint32_t)) return std::nullopt;
    std::uint32_t entry = 0;
    std::memcpy(&entry, value->first, sizeof entry);
    return entry;
  }

  std::optional<std::string> Text(const std::string& path) const override {
    auto value = Query(path);
    if (!value) return std::nullopt;
    // Up to the terminating NUL, but never past our own buffer.
    const auto* text = static_cast<const char16_t*>(value->first);
    const std::size_t most = Remaining(text) / sizeof(char16_t);
    std::size_t length = 0;
    while (length < most && text[length] != u'\0') ++length;
    return Utf16ToUtf8({text, length});
  }

  std::optional<FileVersionWords> FixedFileVersion() const override {
    auto value = Query("\\");
    if (!value || value->second < sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, value->first, sizeof info);
    return FileVersionWords{info.dwFileVersionMS, info.dwFileVersionLS};
  }

 private:
  std::optional<std::pair<const void*, UINT>> Query(const std::string& path) const {
    if (!valid_) return std::nullopt;
    void* value = nullptr;
    UINT length = 0;
    const std::u16string query = Utf8ToUtf16(path);
    if (!VerQueryValueW(buffer_.data(), reinterpret_cast<const wchar_t*>(query.c_str()), &value, &length) ||
        !value) {
      return std::nullopt;
    }
    // The library trusts the block's length fields; we don't read past our buffer on its word.
    std::size_t remaining = Remaining(value);
    if (remaining == 0) return std::nullopt;
    return std::make_pair(static_cast<const void*>(value),
                          static_cast<UINT>(std::min<std::size_t>(length, remaining)));
  }

  std::size_t Remaining(const void* pointer) const {
    auto address = reinterpret_cast<std::uintptr_t>(pointer);
    auto begin = reinterpret_cast<std::uintptr_t>(buffer_.data());
    if (address < begin || address - begin >= buffer_.size()) return 0;
    return buffer_.size() - (address - begin);
  }

  bool valid_ = false;
  std::optional<std::string> stringTable_;
  mutable std::vector<std::uint8_t> buffer_;
};

}  // namespace

std::unique_ptr<VersionSource> OpenSystemSource(const std::string& fileName) {
  return std::make_unique<SystemSource>(fileName);
}

}  // namespace vantric
