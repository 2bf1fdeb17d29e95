#pragma once

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

// A path that names a folder yields the files below it, each folder's entries
// sorted by name, when `recursive`; otherwise it is kept as it is (and the
// analysis reports it). Links to folders are not followed, so link loops end;
// they, like anything else that is neither a file nor a folder and every
// folder that can't be read, get an entry of their own.
void CollectFiles(const std::string& path, bool recursive, std::vector<WalkEntry>& out);

}  // namespace vantric::cli
