#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/io_error.h"
#include "platform/posix_error.h"
#include "platform/replacement_file.h"
#include "platform/temporary_name.h"

namespace vantric {
namespace {

constexpr int kNameAttempts = 100;

[[noreturn]] void ThrowErrno() { throw IoError(IoErrorCodeFromErrno(errno)); }

// The signals that end a program at the user's word. One that comes while a
// temporary file is open removes that file before the program ends as the
// signal says.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kSignalCount = sizeof(kEndingSignals) / sizeof(kEndingSignals[0]);

// The temporary file to remove, prepared before any signal may want it: the
// handler only reads this pointer, unlinks and re-raises, all of which are
// safe in a signal handler. One replacement at a time is covered; a second
// open at once keeps only the destructor's cleanup.
std::atomic<const char*> pendingTemporary{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);
struct sigaction previousActions[kSignalCount];

void RemoveTemporaryAndEnd(int signal) {
  const int savedErrno = errno;
  if (const char* path = pendingTemporary.exchange(nullptr)) ::unlink(path);
  // Back to what was there before (the default action, as a rule), which the
  // re-raised signal meets once this handler returns.
  for (int i = 0; i < kSignalCount; ++i) {
    if (kEndingSignals[i] == signal) ::sigaction(signal, &previousActions[i], nullptr);
  }
  ::raise(signal);
  errno = savedErrno;
}

// Installs the handler where the signal would end the program; an ignored
// signal (nohup) stays ignored.
bool WatchForEndingSignals(const char* temporary) {
  const char* expected = nullptr;
  if (!pendingTemporary.compare_exchange_strong(expected, temporary)) return false;
  struct sigaction action {};
  action.sa_handler = RemoveTemporaryAndEnd;
  sigfillset(&action.sa_mask);
  for (int i = 0; i < kSignalCount; ++i) {
    ::sigaction(kEndingSignals[i], nullptr, &previousActions[i]);
    if (previousActions[i].sa_handler != SIG_IGN) ::sigaction(kEndingSignals[i], &action, nullptr);
  }
  return true;
}

void StopWatching() {
  // Every signal held off while the handlers are put back: none may find
  // half of them restored.
  sigset_t all, before;
  sigfillset(&all);
  ::sigprocmask(SIG_BLOCK, &all, &before);
  pendingTemporary.store(nullptr);
  for (int i = 0; i < kSignalCount; ++i) ::sigaction(kEndingSignals[i], &previousActions[i], nullptr);
  ::sigprocmask(SIG_SETMASK, &before, nullptr);
}

// Holds the ending signals off while the temporary file is created and
// made known to the handler: one that came between the two would end the
// program with the file left behind.
class EndingSignalsHeld {
 public:
  EndingSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : kEndingSignals) sigaddset(&held, signal);
    ::sigprocmask(SIG_BLOCK, &held, &before_);
  }
  ~EndingSignalsHeld() { ::sigprocmask(SIG_SETMASK, &before_, nullptr); }
  EndingSignalsHeld(const EndingSignalsHeld&) = delete;
  EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

 private:
  sigset_t before_;
};

}  // namespace

struct ReplacementFile::Handle {
  std::string target;
  std::string temporary;
  int fd = -1;
  bool committed = false;
  bool watched = false;  // the signal handlers know the temporary file

  void Unwatch() {
    if (watched) StopWatching();
    watched = false;
  }
};

ReplacementFile::ReplacementFile(const std::string& target) : handle_(std::make_unique<Handle>()) {
  handle_->target = target;
  // A file replaced keeps its permissions: a private one stays private.
  struct stat existing {};
  const bool replacing = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
  const EndingSignalsHeld held;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = TemporaryNameBeside(target);
    // O_EXCL with O_CREAT fails on any existing name, a dangling link included.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      // Settled before a byte is written.
      if (replacing && ::fchmod(fd, existing.st_mode & 07777) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(name.c_str());
        throw IoError(IoErrorCodeFromErrno(error));
      }
      handle_->fd = fd;
      handle_->temporary = std::move(name);
      handle_->watched = WatchForEndingSignals(handle_->temporary.c_str());
      return;
    }
    if (errno != EEXIST) break;
  }
  ThrowErrno();
}

ReplacementFile::~ReplacementFile() {
  if (handle_->fd >= 0) ::close(handle_->fd);
  if (!handle_->committed && !handle_->temporary.empty()) ::unlink(handle_->temporary.c_str());
  handle_->Unwatch();
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
  handle_->Unwatch();
}

}  // namespace vantric
