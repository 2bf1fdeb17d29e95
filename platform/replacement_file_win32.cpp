#include <windows.h>

#include <algorithm>

#include "platform/io_error.h"
#include "platform/replacement_file.h"
#include "platform/temporary_name.h"

namespace vantric {
namespace {

constexpr int kNameAttempts = 100;

[[noreturn]] void ThrowLastError() { throw IoError(static_cast<int>(GetLastError())); }

}  // namespace

struct ReplacementFile::Handle {
  std::string target;
  std::string temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  bool committed = false;
};

ReplacementFile::ReplacementFile(const std::string& target) : handle_(std::make_unique<Handle>()) {
  handle_->target = target;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = TemporaryNameBeside(target);
    // CREATE_NEW fails on any existing name, links included.
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      handle_->file = file;
      handle_->temporary = name;
      return;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  ThrowLastError();
}

ReplacementFile::~ReplacementFile() {
  if (handle_->file != INVALID_HANDLE_VALUE) CloseHandle(handle_->file);
  if (!handle_->committed && !handle_->temporary.empty()) DeleteFileA(handle_->temporary.c_str());
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
  handle_->file = INVALID_HANDLE_VALUE;
  const bool flushed = FlushFileBuffers(file);
  const DWORD flushError = GetLastError();
  if (!CloseHandle(file)) ThrowLastError();
  if (!flushed) throw IoError(static_cast<int>(flushError));
  if (!MoveFileExA(handle_->temporary.c_str(), handle_->target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ThrowLastError();
  }
  handle_->committed = true;
}

}  // namespace vantric
