#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>

#include "platform/file_system.h"
#include "platform/io_error.h"
#include "platform/utf_conversion.h"

namespace vantric {
namespace {

[[noreturn]] void ThrowLastError() { throw IoError(static_cast<int>(GetLastError())); }

// "\\?\" starts a literal long path; its "?" is no wildcard.
constexpr std::string_view kLongPathPrefix = "\\\\?\\";

// File offsets are signed 64-bit numbers.
constexpr std::uint64_t kLargestOffset = std::numeric_limits<LONGLONG>::max();

bool IsLongPath(const std::string& path) { return path.starts_with(kLongPathPrefix); }

bool HasWildcard(const std::string& path) {
  return path.find_first_of("*?", IsLongPath(path) ? kLongPathPrefix.size() : 0) != std::string::npos;
}

// One ReadFile at `offset`, which goes with the call rather than with the
// handle; 0 at the end of the file.
DWORD ReadChunkAt(HANDLE file, std::uint64_t offset, void* buffer, DWORD count) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(offset);
  position.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  if (ReadFile(file, buffer, count, &got, &position)) return got;
  // Given an offset, ReadFile reports the end of the file as an error.
  if (GetLastError() == ERROR_HANDLE_EOF) return 0;
  ThrowLastError();
}

// Every name reaches Windows in UTF-16, through the wide functions: the
// program's UTF-8 names are then never squeezed through the code page, and
// "\\?\" names pass MAX_PATH.
std::wstring Wide(const std::string& path) { return WidePath(path).native(); }

DWORD FileAttributes(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

}  // namespace

struct ReadOnlyFile::Handle {
  HANDLE file = INVALID_HANDLE_VALUE;
  // Where Read goes on from. Kept here rather than in the handle's own file
  // pointer, which a read at an offset moves too.
  std::uint64_t position = 0;
};

bool FileExists(const std::string& path) {
  // GetFileAttributesW does not expand wildcards, but be explicit: a pattern
  // never names a file.
  if (path.empty() || HasWildcard(path)) return false;
  const DWORD attributes = FileAttributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileKind KindOfFile(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return FileKind::kMissing;
  DWORD attributes = FileAttributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kMissing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::kFolder;
  // Devices (CON, NUL, COM1) answer with attributes too; only a disk file is regular.
  HANDLE file = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FileKind::kRegular;  // exists; opening it will say what is wrong
  const DWORD type = GetFileType(file);
  CloseHandle(file);
  return type == FILE_TYPE_DISK ? FileKind::kRegular : FileKind::kOther;
}

std::string_view PathSeparators() { return "\\/:"; }

std::string RunningProgramPath() {
  // A folder's name may be longer than MAX_PATH: the buffer grows until the
  // whole name fits.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return NarrowPath(buffer.substr(0, length)).value_or(std::string());
    if (buffer.size() >= 32768) return {};  // the longest name Windows has
    buffer.resize(buffer.size() * 2);
  }
}

std::optional<std::string> NarrowPath(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  // A lone surrogate (NTFS allows one) has no UTF-8 form.
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const wchar_t unit = wide[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      return std::nullopt;
    }
  }
  return Utf16ToUtf8({reinterpret_cast<const char16_t*>(wide.data()), wide.size()});
}

std::filesystem::path WidePath(const std::string& path) {
  const std::u16string wide = Utf8ToUtf16(path);
  return std::wstring(wide.begin(), wide.end());
}

ReadOnlyFile::ReadOnlyFile(const std::string& path) : handle_(std::make_unique<Handle>()) {
  handle_->file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_->file == INVALID_HANDLE_VALUE) ThrowLastError();
}

ReadOnlyFile::~ReadOnlyFile() {
  if (handle_ && handle_->file != INVALID_HANDLE_VALUE) CloseHandle(handle_->file);
}

std::uint64_t ReadOnlyFile::Size() const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle_->file, &size)) ThrowLastError();
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t ReadOnlyFile::Read(void* buffer, std::size_t count) {
  const std::size_t done = ReadAt(handle_->position, buffer, count);
  handle_->position += done;
  return done;
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    // No file reaches past the largest offset: what lies beyond is past its end.
    if (offset > kLargestOffset || done > kLargestOffset - offset) break;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    const DWORD got = ReadChunkAt(handle_->file, offset + done, out + done, chunk);
    if (got == 0) break;
    done += got;
  }
  return done;
}

void ReadOnlyFile::Close() {
  HANDLE file = handle_->file;
  handle_->file = INVALID_HANDLE_VALUE;
  if (file != INVALID_HANDLE_VALUE && !CloseHandle(file)) ThrowLastError();
}

}  // namespace vantric
