#include "cli/file_walk.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/file_system.h"

namespace vantric::cli {
namespace {

namespace fs = std::filesystem;

void Walk(const fs::path& folder, WalkResult& out) {
  std::error_code error;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    entries.push_back(*it);
  }
  if (error) {
    out.errors.push_back(NarrowPath(folder).value_or("?") + ": " + error.message());
    return;
  }
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
  for (const fs::directory_entry& entry : entries) {
    std::error_code ignored;
    const bool isFile = entry.is_regular_file(ignored);  // links to files count
    // Links to folders are not followed: they could loop.
    const bool isFolder = !entry.is_symlink(ignored) && entry.is_directory(ignored);
    if (!isFile && !isFolder) continue;
    const std::optional<std::string> name = NarrowPath(entry.path());
    if (!name) {
      out.errors.push_back(NarrowPath(folder).value_or("?") +
                           ": a name that the system code page can't write");
    } else if (isFolder) {
      Walk(entry.path(), out);
    } else {
      out.files.push_back(*name);
    }
  }
}

}  // namespace

void CollectFiles(const std::string& path, bool recursive, WalkResult& out) {
  std::error_code error;
  if (recursive && fs::is_directory(WidePath(path), error)) {
    Walk(WidePath(path), out);
  } else {
    out.files.push_back(path);
  }
}

}  // namespace vantric::cli
