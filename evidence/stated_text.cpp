#include "evidence/stated_text.h"

#include <algorithm>
#include <functional>

namespace vantric {

void ForEachStatedText(const EvidenceBytes& bytes, std::string_view needle, std::size_t follow,
                       const std::function<bool(std::string_view after)>& found, std::size_t limit) {
  const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
  std::size_t seen = 0;
  for (const EvidenceRegion& region : bytes.regions) {
    const std::string_view text = region.Text();
    for (auto at = text.begin();;) {
      at = std::search(at, text.end(), searcher);
      if (at == text.end() || seen++ == limit) break;
      at += static_cast<std::ptrdiff_t>(needle.size());
      const std::string_view after = text.substr(static_cast<std::size_t>(at - text.begin()), follow);
      if (!found(after)) return;
    }
  }
}

bool StatesText(const EvidenceBytes& bytes, std::string_view needle) {
  bool stated = false;
  ForEachStatedText(bytes, needle, 0, [&](std::string_view) { return !(stated = true); });
  return stated;
}

std::string_view PrintablePrefix(std::string_view text, std::string_view stop, std::size_t limit) {
  std::size_t length = 0;
  while (length < text.size() && length < limit) {
    const char c = text[length];
    if (c < 0x20 || c > 0x7E || stop.find(c) != std::string_view::npos) break;
    ++length;
  }
  return text.substr(0, length);
}

}  // namespace vantric
