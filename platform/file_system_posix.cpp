#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <limits>

#include "platform/file_system.h"
#include "platform/io_error.h"
#include "platform/posix_error.h"

namespace vantric {

int IoErrorCodeFromErrno(int error) {
  switch (error) {
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL: return kErrorInvalidFilename;
    case EMFILE:
    case ENFILE: return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kErrorAccessDenied;
    case EIO: return kErrorReadFault;
    // The rest keep their number, moved out of the range of the codes above
    // so that EINTR (4) never reads as "Too many open files".
    default: return kPosixErrorBase + error;
  }
}

namespace {

[[noreturn]] void ThrowLastError() { throw IoError(IoErrorCodeFromErrno(errno)); }

static_assert(sizeof(off_t) >= sizeof(std::int64_t), "file offsets must be 64-bit in every build");
constexpr std::uint64_t kLargestOffset = std::numeric_limits<off_t>::max();
// One pread never asks for more than this; the loop goes on from there.
constexpr std::size_t kLargestChunk = std::size_t{1} << 30;

}  // namespace

struct ReadOnlyFile::Handle {
  int fd = -1;
  std::uint64_t position = 0;  // where Read goes on from
};

bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

FileKind KindOfFile(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return FileKind::kMissing;
  if (S_ISREG(info.st_mode)) return FileKind::kRegular;
  return S_ISDIR(info.st_mode) ? FileKind::kFolder : FileKind::kOther;
}

std::string_view PathSeparators() { return "/"; }

std::string RunningProgramPath() {
  char buffer[PATH_MAX];
  ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return {};
  return std::string(buffer, static_cast<std::size_t>(length));
}

std::optional<std::string> NarrowPath(const std::filesystem::path& path) { return path.string(); }
std::filesystem::path WidePath(const std::string& path) { return path; }

ReadOnlyFile::ReadOnlyFile(const std::string& path) : handle_(std::make_unique<Handle>()) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  handle_->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (handle_->fd < 0) ThrowLastError();
  struct stat info {};
  if (::fstat(handle_->fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(handle_->fd);
    handle_->fd = -1;
    throw IoError(kErrorAccessDenied);
  }
}

ReadOnlyFile::~ReadOnlyFile() {
  if (handle_ && handle_->fd >= 0) ::close(handle_->fd);
}

std::uint64_t ReadOnlyFile::Size() const {
  struct stat info {};
  if (::fstat(handle_->fd, &info) != 0) ThrowLastError();
  return static_cast<std::uint64_t>(info.st_size);
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
    const auto at = static_cast<off_t>(offset + done);
    ssize_t got = ::pread(handle_->fd, out + done, std::min(count - done, kLargestChunk), at);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowLastError();
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

void ReadOnlyFile::Close() {
  int fd = handle_->fd;
  handle_->fd = -1;
  if (fd >= 0 && ::close(fd) != 0) ThrowLastError();
}

}  // namespace vantric
