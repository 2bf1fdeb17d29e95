#include "cli/file_walk.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

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
    out.errors.push_back(folder.string() + ": " + error.message());
    return;
  }
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
  for (const fs::directory_entry& entry : entries) {
    std::error_code ignored;
    if (entry.is_symlink(ignored)) {
      // Links to files count; links to folders could loop.
      if (entry.is_regular_file(ignored)) out.files.push_back(entry.path().string());
    } else if (entry.is_directory(ignored)) {
      Walk(entry.path(), out);
    } else if (entry.is_regular_file(ignored)) {
      out.files.push_back(entry.path().string());
    }
  }
}

}  // namespace

void CollectFiles(const std::string& path, bool recursive, WalkResult& out) {
  std::error_code error;
  if (recursive && fs::is_directory(path, error)) {
    Walk(path, out);
  } else {
    out.files.push_back(path);
  }
}

}  // namespace vantric::cli
