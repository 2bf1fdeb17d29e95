#include "sigdb/lang_definition.h"

#include <algorithm>

namespace vantric {

void ShortString::assign(std::string_view text) {
  length = static_cast<std::uint8_t>(std::min(text.size(), kCapacity));
  chars.fill(0);
  std::copy_n(text.begin(), length, chars.begin());
}

}  // namespace vantric
