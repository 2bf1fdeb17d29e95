#include "platform/resource_languages.h"

namespace vantric {

// No Windows user locale to ask here: language-neutral, then US English (the
// fallback of the Windows loader), then whatever comes first.
std::vector<std::uint16_t> PreferredResourceLanguages() { return {0x0000, 0x0409}; }

}  // namespace vantric
