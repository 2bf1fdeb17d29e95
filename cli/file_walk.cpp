#include "cli/file_walk.h"

#include <algorithm>
#include <functional>
#include <system_error>
#include <utility>

#include "platform/file_system.h"

namespace vantric::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSkipped = "skipped";
constexpr std::string_view kIoError = "io-error";

// Why an entry that is neither a file nor a folder to walk is left out.
std::string SkipReason(const fs::directory_entry& entry) {
  std::error_code ignored;
  if (entry.is_symlink(ignored)) {
    if (entry.is_directory(ignored)) return "a link to a folder, not followed";
    if (!entry.exists(ignored)) return "a link to nothing";
  }
  return "not a regular file";
}

}  // namespace

FileWalk::FileWalk(std::vector<std::string> paths, bool recursive)
    : FileWalk(
          [paths = std::move(paths), next = std::size_t{0}]() mutable -> std::optional<WalkEntry> {
            if (next == paths.size()) return std::nullopt;
            return WalkEntry{std::move(paths[next++]), {}, {}};
          },
          recursive) {}

FileWalk::FileWalk(Source paths, bool recursive) : paths_(std::move(paths)), recursive_(recursive) {}

std::optional<WalkEntry> FileWalk::Enter(const fs::path& name) {
  Folder folder;
  folder.parentLength = current_.size();
  if (!name.empty()) current_ = (fs::path(current_) / name).native();
  const fs::path path(current_);
  std::error_code error;
  for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
    folder.names.push_back(it->path().filename());
  }
  if (error) {
    WalkEntry failure{NarrowPath(path).value_or("?"), kIoError, error.message()};
    current_.resize(folder.parentLength);
    return failure;
  }
  // Names of one folder differ, so this is the order of their whole paths.
  std::sort(folder.names.begin(), folder.names.end(), std::greater<>());
  folder.names.shrink_to_fit();
  folders_.push_back(std::move(folder));
  return std::nullopt;
}

void FileWalk::Leave() {
  current_.resize(folders_.back().parentLength);
  folders_.pop_back();
}

std::optional<WalkEntry> FileWalk::Next() {
  for (;;) {
    if (folders_.empty()) {
      std::optional<WalkEntry> given = paths_();
      if (!given) return std::nullopt;
      if (!given->status.empty()) return given;
      std::string path = std::move(given->path);
      std::error_code error;
      if (recursive_ && fs::is_directory(WidePath(path), error)) {
        current_ = WidePath(path).native();
        if (std::optional<WalkEntry> failure = Enter({})) return failure;
        continue;
      }
      return WalkEntry{std::move(path), {}, {}};
    }
    Folder& folder = folders_.back();
    if (folder.names.empty()) {
      Leave();
      continue;
    }
    const fs::path name = std::move(folder.names.back());
    folder.names.pop_back();
    std::error_code ignored;
    const fs::directory_entry entry(fs::path(current_) / name, ignored);
    const bool isFile = entry.is_regular_file(ignored);  // links to files count
    // Links to folders are not followed: they could loop.
    const bool isFolder = !entry.is_symlink(ignored) && entry.is_directory(ignored);
    const std::optional<std::string> shown = NarrowPath(entry.path());
    if (!shown) {
      return WalkEntry{NarrowPath(fs::path(current_)).value_or("?"), kSkipped,
                       "holds a name that the system code page can't write"};
    }
    if (isFolder) {
      if (std::optional<WalkEntry> failure = Enter(name)) return failure;
      continue;
    }
    if (isFile) return WalkEntry{*shown, {}, {}};
    return WalkEntry{*shown, kSkipped, SkipReason(entry)};
  }
}

}  // namespace vantric::cli
