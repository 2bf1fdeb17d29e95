#include "cli/file_walk.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

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

void Walk(const fs::path& folder, std::vector<WalkEntry>& out) {
  const std::string folderName = NarrowPath(folder).value_or("?");
  std::error_code error;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    entries.push_back(*it);
  }
  if (error) {
    out.push_back({folderName, kIoError, error.message()});
    return;
  }
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
  for (const fs::directory_entry& entry : entries) {
    std::error_code ignored;
    const bool isFile = entry.is_regular_file(ignored);  // links to files count
    // Links to folders are not followed: they could loop.
    const bool isFolder = !entry.is_symlink(ignored) && entry.is_directory(ignored);
    const std::optional<std::string> name = NarrowPath(entry.path());
    if (!name) {
      out.push_back({folderName, kSkipped, "holds a name that the system code page can't write"});
    } else if (isFolder) {
      Walk(entry.path(), out);
    } else if (isFile) {
      out.push_back({*name, {}, {}});
    } else {
      out.push_back({*name, kSkipped, SkipReason(entry)});
    }
  }
}

}  // namespace

void CollectFiles(const std::string& path, bool recursive, std::vector<WalkEntry>& out) {
  std::error_code error;
  if (recursive && fs::is_directory(WidePath(path), error)) {
    Walk(WidePath(path), out);
  } else {
    out.push_back({path, {}, {}});
  }
}

}  // namespace vantric::cli
