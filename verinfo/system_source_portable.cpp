#include "verinfo/version_source.h"

namespace vantric {

// No version library on this system: our own reader answers for it.
std::unique_ptr<VersionSource> OpenSystemSource(const std::string& fileName) {
  return OpenPortableSource(fileName);
}

}  // namespace vantric
