#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "platform/io_error.h"
#include "platform/replacement_file.h"
#include "platform/temporary_name.h"

namespace vantric {
namespace {

constexpr int kNameAttempts = 100;

[[noreturn]] void ThrowLastError() { throw IoError(static_cast<int>(GetLastError())); }

// A file marked for deletion goes when its last handle closes, however the
// program ends: Ctrl-C, a closed console window, or being killed.
bool MarkForDeletion(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

// Renames the open file over `target`.
bool RenameOver(HANDLE file, const std::string& target) {
  const std::wstring wide = WidePath(target).native();
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + (wide.size() + 1) * sizeof(WCHAR));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(wide.size() * sizeof(WCHAR));
  std::memcpy(rename->FileName, wide.data(), wide.size() * sizeof(WCHAR));
  return SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
}

}  // namespace

struct ReplacementFile::Handle {
  std::string target;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD targetAttributes = INVALID_FILE_ATTRIBUTES;  // of the file replaced, if any
};

ReplacementFile::ReplacementFile(const std::string& target) : handle_(std::make_unique<Handle>()) {
  handle_->target = target;
  // A file replaced keeps its attributes (hidden, system, not indexed, ...).
  const DWORD attributes = GetFileAttributesW(WidePath(target).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    handle_->targetAttributes = attributes;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = TemporaryNameBeside(target);
    // CREATE_NEW fails on any existing name, links included.
    HANDLE file = CreateFileW(WidePath(name).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      if (!MarkForDeletion(file, true)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        DeleteFileW(WidePath(name).c_str());
        throw IoError(static_cast<int>(error));
      }
      handle_->file = file;
      return;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  ThrowLastError();
}

ReplacementFile::~ReplacementFile() {
  // Not committed: still marked, so closing removes it.
  if (handle_->file != INVALID_HANDLE_VALUE) CloseHandle(handle_->file);
}

void ReplacementFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD done = 0;
    if (!WriteFile(handle_->file, bytes.data(), chunk, &done, nullptr)) ThrowLastError();
    bytes.remove_prefix(done);
  }
}

void ReplacementFile::Commit() {
  HANDLE file = handle_->file;
  if (!FlushFileBuffers(file)) ThrowLastError();
  if (handle_->targetAttributes != INVALID_FILE_ATTRIBUTES) {
    FILE_BASIC_INFO basic{};  // times left zero: unchanged
    basic.FileAttributes = handle_->targetAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic)) ThrowLastError();
  }
  // Unmarked only for the rename, which either happens or is undone.
  if (!MarkForDeletion(file, false)) ThrowLastError();
  if (!RenameOver(file, handle_->target)) {
    const DWORD error = GetLastError();
    MarkForDeletion(file, true);
    throw IoError(static_cast<int>(error));
  }
  handle_->file = INVALID_HANDLE_VALUE;
  if (!CloseHandle(file)) ThrowLastError();
}

}  // namespace vantric
