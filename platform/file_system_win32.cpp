#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>

#include "platform/file_system.h"
#include "platform/io_error.h"

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

DWORD FileAttributes(const std::string& path) {
  // Only the wide function reads a long path beyond MAX_PATH.
  if (IsLongPath(path)) return GetFileAttributesW(WidePath(path).c_str());
  return GetFileAttributesA(path.c_str());
}

}  // namespace

struct ReadOnlyFile::Handle {
  HANDLE file = INVALID_HANDLE_VALUE;
  // Where Read goes on from. Kept here rather than in the handle's own file
  // pointer, which a read at an offset moves too.
  std::uint64_t position = 0;
};

bool FileExists(const std::string& path) {
  // GetFileAttributesA does not expand wildcards, but be explicit: a pattern
  // never names a file.
  if (path.empty() || HasWildcard(path)) return false;
  const DWORD attributes = FileAttributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileKind KindOfFile(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return FileKind::kMissing;
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kMissing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::kFolder;
  // Devices (CON, NUL, COM1) answer with attributes too; only a disk file is regular.
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FileKind::kRegular;  // exists; opening it will say what is wrong
  const DWORD type = GetFileType(file);
  CloseHandle(file);
  return type == FILE_TYPE_DISK ? FileKind::kRegular : FileKind::kOther;
}

std::string_view PathSeparators() { return "\\/:"; }

std::string RunningProgramPath() {
  char buffer[MAX_PATH + 1];
  DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(buffer, length);
}

std::optional<std::string> NarrowPath(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return std::string();
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                         static_cast<int>(wide.size()), nullptr, 0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), narrow.data(),
                      length, nullptr, &usedDefault);
  return usedDefault ? std::nullopt : std::optional<std::string>(narrow);
}

std::filesystem::path WidePath(const std::string& path) {
  if (path.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
  return wide;
}

ReadOnlyFile::ReadOnlyFile(const std::string& path) : handle_(std::make_unique<Handle>()) {
  handle_->file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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
