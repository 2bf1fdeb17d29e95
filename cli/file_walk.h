#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantric::cli {

// One path met on the command line or in a walk. Paths the walk itself could
// not take carry a status ("skipped", "io-error") and the reason; the others
// are for the analysis.
struct WalkEntry {
  std::string path;
  std::string_view status;
  std::string reason;
};

// The paths of the command line, one at a time, in their order. A path that
// names a folder yields the files below it, each folder's entries sorted by
// name, when `recursive`; otherwise it is kept as it is (and the analysis
// reports it). Links to folders are not followed, so link loops end; they,
// like anything else that is neither a file nor a folder and every folder
// that can't be read, get an entry of their own.
//
// A folder is read whole when the walk enters it (its names must be sorted),
// and only the names still to come are kept: memory grows with the largest
// folder and the depth, never with the number of files walked.
class FileWalk {
 public:
  // Where the paths come from, one at a time; nothing at their end. An entry
  // that already carries a status is passed on as it is.
  using Source = std::function<std::optional<WalkEntry>()>;

  FileWalk(std::vector<std::string> paths, bool recursive);
  FileWalk(Source paths, bool recursive);

  // The next entry, or nothing once every path has been walked.
  std::optional<WalkEntry> Next();

 private:
  struct Folder {
    std::vector<std::filesystem::path> names;  // still to come, the last first
    std::size_t parentLength = 0;              // of current_ before this folder's name
  };

  // Reads the folder `name` below current_ (or current_ itself when it is the
  // first) into a new Folder; the entry to report when it can't be read.
  std::optional<WalkEntry> Enter(const std::filesystem::path& name);
  void Leave();

  Source paths_;
  bool recursive_;
  std::vector<Folder> folders_;  // the open folders, the innermost last
  // The innermost open folder: each level adds only its own name.
  std::filesystem::path::string_type current_;
};

}  // namespace vantric::cli
