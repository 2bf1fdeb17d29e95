#pragma once

#include <cstdint>
#include <vector>

namespace vantric {

// The resource languages to try, best first, when a file holds a resource in
// several: the order the system's resource loader tries them in when asked
// for no language in particular.
std::vector<std::uint16_t> PreferredResourceLanguages();

}  // namespace vantric
