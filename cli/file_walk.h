#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vantric::cli {

// What a command-line path stands for: files to analyse, in a stable order.
struct WalkResult {
  std::vector<std::string> files;
  std::vector<std::string> errors;  // "PATH: what went wrong", for folders that couldn't be read
};

// A path that names a folder yields the files below it, each folder's entries
// sorted by name, when `recursive`; otherwise it is kept as it is (and the
// analysis reports it). Links to folders are not followed, so link loops end.
void CollectFiles(const std::string& path, bool recursive, WalkResult& out);

}  // namespace vantric::cli
