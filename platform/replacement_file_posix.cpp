#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/io_error.h"
#include "platform/posix_error.h"
#include "platform/replacement_file.h"
#include "platform/temporary_name.h"

namespace vantric {
namespace {

constexpr int kNameAttempts = 100;

[[noreturn]] void ThrowErrno() { throw IoError(IoErrorCodeFromErrno(errno)); }

}  // namespace

struct ReplacementFile::Handle {
  std::string target;
  std::string temporary;
  int fd = -1;
  bool committed = false;
};

ReplacementFile::ReplacementFile(const std::string& target) : handle_(std::make_unique<Handle>()) {
  handle_->target = target;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = TemporaryNameBeside(target);
    // O_EXCL with O_CREAT fails on any existing name, a dangling link included.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      handle_->fd = fd;
      handle_->temporary = name;
      return;
    }
    if (errno != EEXIST) break;
  }
  ThrowErrno();
}

ReplacementFile::~ReplacementFile() {
  if (handle_->fd >= 0) ::close(handle_->fd);
  if (!handle_->committed && !handle_->temporary.empty()) ::unlink(handle_->temporary.c_str());
}

void ReplacementFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t done = ::write(handle_->fd, bytes.data(), bytes.size());
    if (done < 0) {
      if (errno == EINTR) continue;
      ThrowErrno();
    }
    bytes.remove_prefix(static_cast<std::size_t>(done));
  }
}

void ReplacementFile::Commit() {
  const int fd = handle_->fd;
  handle_->fd = -1;
  // A failed close can be the first news of a write that never reached the disk.
  const bool synced = ::fsync(fd) == 0;
  const int syncError = errno;
  if (::close(fd) != 0) ThrowErrno();
  if (!synced) throw IoError(IoErrorCodeFromErrno(syncError));
  if (::rename(handle_->temporary.c_str(), handle_->target.c_str()) != 0) ThrowErrno();
  handle_->committed = true;
}

}  // namespace vantric
