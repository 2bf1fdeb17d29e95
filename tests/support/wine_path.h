#pragma once

#include <string>

namespace vantric::testing {

// A path the build wrote, as a Windows program under Wine names it: drive Z:
// is the root of the Unix file system.
inline std::string WinePath(std::string path) {
  if (!path.empty() && path.front() == '/') path.insert(0, "Z:");
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace vantric::testing
